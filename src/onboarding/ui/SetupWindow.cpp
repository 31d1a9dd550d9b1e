#include "onboarding/ui/SetupWindow.h"

#include "onboarding/SetupModel.h"
#include "onboarding/ui/SetupView.h"
#include "app/Windows.h"
#include "onboarding/ui/FixedWindow.h"


#include <QWidget>

SetupWindow::SetupWindow(Setup& setup, std::function<std::function<void()>()> openSettings)
    : setup_(setup), openSettings_(std::move(openSettings)) {}

SetupWindow::~SetupWindow() = default;

void SetupWindow::show(SetupStep start) {
    if (window_ && window_->isVisible() && model_) {
        if (model_->step() != start && model_->step() != SetupStep::done)
            model_->setStep(start);
        Windows::bringForward(window_.get());
        return;
    }
    // Closed with its title-bar button, the old window and model stay until replaced here.
    model_ = std::make_unique<SetupModel>(setup_, start);
    window_ =
        FixedWindow::make(title, new SetupView(
                                     *model_, [this] { close(); },
                                     [this] {
                                         if (auto open = openSettings_ ? openSettings_() : std::function<void()>())
                                             open();
                                     }));
    FixedWindow::present(window_.get());
}

void SetupWindow::close() {
    if (!window_)
        return;
    window_->close();
    // Later, not now: the press that asked is still running inside the view.
    window_.release()->deleteLater();
    model_.release()->deleteLater();
}
