#pragma once

#include <QString>

#include <functional>
#include <memory>

class OnboardingModel;
class QWidget;

// The one welcome window, titled "Welcome to Quenlark": opened for a model, brought forward,
// closed. The notch scheduler recognises it by its title.
class WelcomeWindow {
public:
    static inline const QString title = QStringLiteral("Welcome to Quenlark");

    // `content` makes the window's content for a model.
    explicit WelcomeWindow(std::function<QWidget*(OnboardingModel& model)> content);
    ~WelcomeWindow();

    void open(OnboardingModel& model);
    bool isOpen() const { return bool(window_); }
    void bringForward();
    void close();

    QWidget* window() const { return window_.get(); }

private:
    std::function<QWidget*(OnboardingModel&)> content_;
    std::unique_ptr<QWidget> window_;
};
