#pragma once

#include "platform/gui/Tray.h"

#include <QMenu>
#include <QSystemTrayIcon>

// The tray item through Qt's tray icon: the StatusNotifier interface where the desktop hosts it,
// else an embedded X11 tray window. A right click opens the menu, built anew on every opening.
class SystemTray final : public Tray {
    Q_OBJECT
public:
    SystemTray();
    ~SystemTray() override;

    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& text) override;
    void setAccessibleName(const QString& text) override;
    void setMenu(MenuBuilder build) override;

    // Where the host placed the item (empty until it has been embedded).
    QRect geometry() const { return icon_.geometry(); }
    QMenu& menu() { return menu_; }

private:
    void rebuild();

    QMenu menu_;
    QSystemTrayIcon icon_;
    MenuBuilder build_;
};
