#pragma once

#include <QWidget>

class QAbstractButton;
class QComboBox;
class SettingsModel;
class SettingsSection;

// The Updates tab: the check interval, the notch mode with its footer, and the quiet hours
// while the notch may show updates.
class UpdatesTab final : public QWidget {
    Q_OBJECT
public:
    explicit UpdatesTab(SettingsModel& model, QWidget* parent = nullptr);

private:
    void refresh();
    QComboBox* hourPicker(QWidget* parent);

    SettingsModel& model_;
    QComboBox* interval_;
    QComboBox* notch_;
    SettingsSection* first_;
    SettingsSection* quiet_;
    QAbstractButton* quietHours_;
    QComboBox* from_;
    QComboBox* until_;
};
