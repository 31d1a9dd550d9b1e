#pragma once

#include <QWidget>

class PermissionPill;
class Prefs;
class Store;

// The App Management and Notifications pills at the end of the controls row. App Management
// shows what keeps an app from being changed (AppManagementHelp); Notifications asks once while
// undetermined, then opens the desktop's notification settings.
class PermissionPills : public QWidget {
    Q_OBJECT
public:
    PermissionPills(Store& store, Prefs& prefs, QWidget* parent = nullptr);

    PermissionPill* appManagementPill() const { return appManagement_; }
    PermissionPill* notificationsPill() const { return notifications_; }

private:
    void refresh();

    Store& store_;
    Prefs& prefs_;
    PermissionPill* appManagement_;
    PermissionPill* notifications_;
};
