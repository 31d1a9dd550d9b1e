#pragma once

#include "settings/LoginChoice.h"

// Stands in for the login item in tests: remembers the choice for this run only.
class MemoryLoginChoice final : public LoginChoice {
public:
    bool enabled() const override { return on_; }
    void setLogin(bool on) override {
        on_ = on;
        ++calls;
    }

    int calls = 0;

private:
    bool on_ = false;
};
