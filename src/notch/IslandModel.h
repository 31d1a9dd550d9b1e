#pragma once

#include "notch/IslandState.h"
#include "runtime/CancelToken.h"
#include "store/Store.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// What the island shows and does, without widgets: the shown rows and their counts, the title
// and subtitle, its buttons, the "Later" menu and the question, and the two rules that fold it
// by itself (all finished for 2.5 s, untouched for "--notch-idle" or 30 s). GUI thread only.
class IslandModel final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<Store::Rows()> items;
        std::function<bool()> updatingAll;
        std::function<QCoro::Task<void>(Store::Rows)> updateAll;
        std::function<void(const std::shared_ptr<AppItem>&)> ignoreVersion;
        std::function<bool(const QStringList&)> dismissed; // the scheduler's wave-off count
        std::function<void(const QString&)> snooze;        // "hour", "tonight", "tomorrow", "week"
        std::function<void()> neverFromNotch;              // the notch mode becomes never
        std::function<void()> openApp;
        // Folds the island of `state` if it is still the one up, and nothing else.
        std::function<void(const IslandState*)> fold;
    };

    enum class Later { inOneHour, tonight, tomorrow, nextWeek, skipTheseVersions, dontShowFromNotch };
    struct MenuEntry {
        std::optional<Later> entry; // none: a divider
        QString text;
    };

    IslandModel(std::shared_ptr<IslandState> state, Hooks hooks);
    ~IslandModel() override;

    const std::shared_ptr<IslandState>& state() const { return state_; }

    // For each id, the first row of the store with that bundle path; ids without one are skipped.
    const Store::Rows shown() const; // const: see Store::visible
    Store::Rows installable() const;
    bool finished() const;
    int done() const;
    int failed() const;
    int left() const;
    QString title() const;
    QString subtitle() const;
    QString accessibleName() const;
    QString updateAllText() const;
    bool updateAllEnabled() const;
    // Five rows show at once; a longer list fades out over its last 14 %.
    double listHeight() const;
    bool listFades() const;

    static QList<MenuEntry> laterMenu();
    static QString question();
    // The idle limit in seconds: "--notch-idle" read as a number, else 30.
    static double idleLimit();

    // The buttons.
    void dismiss();
    void later();
    void choose(Later entry);
    void openApp();
    void updateAll();
    void onlyMenuBar();
    void keepShowing();
    // Escape: "Later" while its row is on screen; nothing while the question stands, which only
    // its own buttons answer.
    void escape();

    // The pointer entering or leaving, and taps on the open content.
    void setHovering(bool hovering);
    void touch();

    // Starts the finish and idle rules; they end with the model.
    void start();

private:
    // A preview island's buttons, and those of an island on its way out, do nothing.
    bool live() const { return !state_->preview() && !state_->leaving(); }
    void foldIsland();
    void followFinished();
    QCoro::Task<void> foldWhenStillFinished(std::weak_ptr<int> life);
    QCoro::Task<void> idleLoop(CancelToken token, std::weak_ptr<int> life);
    QCoro::Task<void> runUpdates(Store::Rows rows);

    std::shared_ptr<IslandState> state_;
    Hooks hooks_;
    bool wasFinished_ = false;
    bool started_ = false;
    CancelToken token_;
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};
