#include "platform/gui/SystemTray.h"

#include "platform/gui/ActionText.h"
#include "runtime/Spawn.h"

SystemTray::SystemTray() : icon_(this) {
    icon_.setContextMenu(&menu_);
    connect(&menu_, &QMenu::aboutToShow, this, guarded([this] { rebuild(); }, "tray menu"));
    connect(&icon_, &QSystemTrayIcon::activated, this,
            guarded(
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger)
                        Q_EMIT clicked();
                },
                "tray click"));
}

SystemTray::~SystemTray() {
    icon_.hide();
    icon_.setContextMenu(nullptr);
}

// Shown with its first icon: Qt refuses to show an item without one, and says so on the terminal.
void SystemTray::setIcon(const QIcon& icon) {
    icon_.setIcon(icon);
    if (!icon.isNull() && !icon_.isVisible())
        icon_.show();
}

void SystemTray::setToolTip(const QString& text) { icon_.setToolTip(text); }

void SystemTray::setAccessibleName(const QString& text) {
    // The embedded tray window offers no label of its own; its menu carries the name.
    menu_.setAccessibleName(text);
}

void SystemTray::setMenu(MenuBuilder build) {
    build_ = std::move(build);
    rebuild();
}

void SystemTray::rebuild() {
    menu_.clear();
    if (!build_)
        return;
    for (const auto& entry : build_()) {
        if (entry.isSeparator()) {
            menu_.addSeparator();
            continue;
        }
        QAction* action = menu_.addAction(ActionText::plain(entry.title));
        action->setShortcut(entry.shortcut);
        connect(action, &QAction::triggered, this,
                guarded(
                    [run = entry.action] {
                        if (run)
                            run();
                    },
                    "tray menu entry"));
    }
}
