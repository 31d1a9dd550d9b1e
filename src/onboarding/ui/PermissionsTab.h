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

protected:
    // A change of appearance while the window is open: the tab's own colours are taken again.
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    SettingsModel& model_;
    bool built_ = false;
    PlainLabel* appManagement_;
    PlainLabel* notifications_;
    SettingsSection* notificationSection_;
    PlainLabel* openError_;
};
