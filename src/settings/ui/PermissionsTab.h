#pragma once

#include <QWidget>

class PlainLabel;
class SettingsModel;
class SettingsSection;

// The Permissions tab: App Management and Notifications, each with its state and a button that
// opens the desktop's settings for it.
class PermissionsTab final : public QWidget {
    Q_OBJECT
public:
    explicit PermissionsTab(SettingsModel& model, QWidget* parent = nullptr);

private:
    void refresh();

    SettingsModel& model_;
    PlainLabel* appManagement_;
    PlainLabel* notifications_;
    SettingsSection* notificationSection_;
    PlainLabel* openError_;
};
