#pragma once

#include "platform/gui/Tray.h"

#include <QIcon>
#include <QObject>

#include <functional>
#include <memory>

class NotchHooks;
class Prefs;
class Store;

// The tray item: the application's icon with a badge counting the updates, shown while the
// setting says so and redrawn only when the count changes, both followed by observation.
class StatusItem final : public QObject {
    Q_OBJECT
public:
    static inline const QString positionKey = QStringLiteral("NSStatusItem Preferred Position quenlark");

    struct Environment {
        Store* store = nullptr;
        Prefs* prefs = nullptr;
        NotchHooks* notch = nullptr;
        Tray::Factory makeTray;
        QIcon appIcon;
        std::function<void()> quit;
        // Installs the store's window hooks, as the scene hooks hosted in the item do.
        std::function<void()> installHooks;
    };

    explicit StatusItem(Environment environment);
    ~StatusItem() override;

    // Reads the setting and the count under observation and applies them; again at each change.
    void start();

    // The rows of the visible list whose status is an update.
    int updateCount() const;

    static QString toolTip(int count);
    static QString accessibleName(int count);

    // For tests: the item while shown, and the count last drawn (-1: none).
    Tray* tray() const { return tray_.get(); }
    int shownCount() const { return shownCount_; }

private:
    void sync(bool show, int count);
    void clicked();
    QList<Tray::Entry> menu();

    Environment e_;
    std::unique_ptr<Tray> tray_;
    int shownCount_ = -1;
};
