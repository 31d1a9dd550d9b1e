#pragma once

#include <QWidget>

class PlainLabel;
class QVBoxLayout;
class SettingsModel;

// The Apps tab: the ignored applications and skipped versions, each with a button that takes
// the choice back.
class AppsTab final : public QWidget {
    Q_OBJECT
public:
    explicit AppsTab(SettingsModel& model, QWidget* parent = nullptr);

private:
    void refresh();

    SettingsModel& model_;
    PlainLabel* hint_;
    QWidget* scroll_;
    QWidget* rows_;
    QVBoxLayout* list_;
};
