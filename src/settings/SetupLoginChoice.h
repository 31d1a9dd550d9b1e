#pragma once

#include "onboarding/Setup.h"
#include "settings/LoginChoice.h"

// The settings window's open-at-login switch: the first run's autostart entry, through `Setup`,
// which also records that the question was answered.
class SetupLoginChoice final : public LoginChoice {
public:
    explicit SetupLoginChoice(Setup& setup) : setup_(setup) {}
    bool enabled() const override { return setup_.loginEnabled(); }
    void setLogin(bool on) override { setup_.setLogin(on); }

private:
    Setup& setup_;
};
