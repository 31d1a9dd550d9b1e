#pragma once

#include "notch/NotchDesktop.h"
#include "runtime/CancelToken.h"
#include "store/NotchTrigger.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

class Prefs;
class SessionWake;

// Turns the notch decisions into action: keeps at most one pending task that decides again
// later or drops the island once the moment has come. GUI thread only; every wait goes through
// Clock.
class NotchScheduler final : public QObject {
    Q_OBJECT
public:
    // What the scheduler reads of the store.
    struct Rows {
        std::function<QStringList()> pendingKeys; // the update keys of the visible rows
        std::function<bool()> touring;            // a guided tour runs
    };
    // Drops the island; true when the scheduler shows it by itself.
    using ShowIsland = std::function<void(bool autoShown)>;

    NotchScheduler(Prefs& prefs, NotchDesktop& desktop, SessionWake& wake, Rows rows, ShowIsland show);
    ~NotchScheduler() override;

    // Follows wake and unlock from now on; later calls do nothing.
    void start();
    // Decides now and acts.
    void request(NotchTrigger trigger);
    // A snooze chosen in the island: "hour", "tonight", "tomorrow" or "week".
    void snooze(const QString& choice);
    // A wave-off of these keys; true once, when the island should ask whether to keep showing.
    bool dismissed(const QStringList& keys);
    // Whether the user is using the application itself.
    bool appInUse() const;
    bool fullScreenAppInFront() const { return desktop_.fullScreenAppInFront(); }

    // The rule of appInUse over the application's own windows.
    static bool inUse(bool touring, const QList<NotchDesktop::Window>& windows, bool active);
    // The wait before a showing for `trigger`, in seconds.
    static double delay(NotchTrigger trigger);

private:
    void schedule(double seconds, NotchTrigger trigger, bool respectBusy);
    QCoro::Task<void> run(double seconds, NotchTrigger trigger, bool respectBusy, CancelToken token);
    void countAsShown(const QStringList& keys);

    Prefs& prefs_;
    NotchDesktop& desktop_;
    SessionWake& wake_;
    Rows rows_;
    ShowIsland show_;
    std::optional<CancelToken> pending_;
    bool started_ = false;
};
