#pragma once

#include <QWidget>

class PlainLabel;
class QAbstractButton;
class SegmentedControl;
class SettingsModel;

// The General tab: appearance, open at login, the menu-bar item, hiding App Store apps, and
// the welcome window, the tour and the feedback page.
class GeneralTab final : public QWidget {
    Q_OBJECT
public:
    explicit GeneralTab(SettingsModel& model, QWidget* parent = nullptr);

private:
    void refresh();

    SettingsModel& model_;
    SegmentedControl* themes_;
    QAbstractButton* login_;
    QAbstractButton* menuBar_;
    QAbstractButton* hideAppStore_;
    PlainLabel* feedbackError_;
};
