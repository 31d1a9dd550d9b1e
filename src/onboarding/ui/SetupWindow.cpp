#include "onboarding/ui/SetupWindow.h"

#include "onboarding/SetupModel.h"
#include "onboarding/ui/SetupView.h"
#include "app/Windows.h"

#include <QScreen>

#include <QVBoxLayout>
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
    auto window = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                                          Qt::CustomizeWindowHint);
    window->setWindowTitle(title);
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(new SetupView(*model_, [this] { close(); }, [this] {
        if (auto open = openSettings_ ? openSettings_() : std::function<void()>())
            open();
    }));
    window_ = std::move(window);
    window_->adjustSize();
    if (const QScreen* screen = window_->screen())
        window_->move(screen->availableGeometry().center() - window_->rect().center());
    Windows::bringForward(window_.get());
}

void SetupWindow::close() {
    if (!window_)
        return;
    window_->close();
    // Later, not now: the press that asked is still running inside the view.
    window_.release()->deleteLater();
    model_.release()->deleteLater();
}
