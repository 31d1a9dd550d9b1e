#pragma once

#include "model/Motion.h"
#include "runtime/Observed.h"

#include <QObject>

// The state of one welcome window: the page shown, the direction of the last page change and
// the open-at-login choice of the setup page.
class OnboardingModel : public QObject {
    Q_OBJECT
public:
    static constexpr int pages = 5;

    // `login`: whether the login item is on now.
    explicit OnboardingModel(bool login);

    int page() const { return page_.get(); }
    bool forward() const { return forward_.get(); }
    bool login() const { return login_.get(); }
    void setLogin(bool on) { login_.set(on); }

    // To page `p`; a page out of range, or the page shown, changes nothing.
    void go(int p);

    // How the view animates a page change: the window's own spring, or 0.2 s ease-in-out under
    // reduced motion.
    static Motion::Animation animation();

private:
    Observed<int> page_{0};
    Observed<bool> forward_{true};
    Observed<bool> login_;
};
