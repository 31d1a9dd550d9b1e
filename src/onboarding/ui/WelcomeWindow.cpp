#include "onboarding/ui/WelcomeWindow.h"

#include "app/Windows.h"
#include "onboarding/ui/FixedWindow.h"

#include <QWidget>

WelcomeWindow::WelcomeWindow(std::function<QWidget*(OnboardingModel& model)> content) : content_(std::move(content)) {}

WelcomeWindow::~WelcomeWindow() = default;

void WelcomeWindow::open(OnboardingModel& model) {
    window_ = FixedWindow::make(title, content_(model));
    // The dark backdrop runs to the top edge: the content draws its own close control and
    // moves the window when its backdrop is dragged. Set alone: added to the title hint the
    // small windows carry, the frameless hint is dropped and the desktop draws its title bar.
    window_->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    FixedWindow::present(window_.get());
}

void WelcomeWindow::bringForward() {
    if (window_)
        Windows::bringForward(window_.get());
}

void WelcomeWindow::close() {
    if (!window_)
        return;
    window_->close();
    // Later: the button that finished the welcome is inside it.
    window_.release()->deleteLater();
}
