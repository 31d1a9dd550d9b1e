#pragma once

#include "onboarding/SetupPageModel.h"

#include <QList>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QVBoxLayout;

// Page 4: the first-run choices as rows, and the buttons that end the welcome.
class SetupPage : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> back;
        std::function<void(bool tour)> finish;
        std::function<void()> openPermissionSettings;
    };

    SetupPage(std::unique_ptr<SetupPageModel> model, Actions actions, QWidget* parent = nullptr);
    ~SetupPage() override;

    SetupPageModel& model() const { return *model_; }

private:
    void refresh();

    std::unique_ptr<SetupPageModel> model_;
    Actions actions_;
    QVBoxLayout* rows_;
    QLabel* error_;
    QList<SetupPageModel::Row> shown_; // the rows as built
    QList<QLabel*> icons_;
};
