#pragma once

#include "store/SetupStep.h"

#include <QPointer>

#include <functional>
#include <memory>

class QWidget;
class Setup;
class SetupModel;

// Opens the setup window, or brings the open one forward; at most one exists.
class SetupWindow {
public:
    static inline const QString title = QStringLiteral("Welcome to Quenlark");

    // `openSettings` is asked for the settings action each time "Open settings" is pressed.
    SetupWindow(Setup& setup, std::function<std::function<void()>()> openSettings);
    ~SetupWindow();

    void show(SetupStep start);

    QWidget* window() const { return window_.get(); }
    SetupModel* model() const { return model_.get(); }

private:
    void close();

    Setup& setup_;
    std::function<std::function<void()>()> openSettings_;
    std::unique_ptr<QWidget> window_;
    std::unique_ptr<SetupModel> model_;
};
