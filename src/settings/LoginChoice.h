#pragma once

// Whether this application opens at login: the desktop's autostart entry for it. A failure to
// change it is the implementation's to log; nothing is shown.
class LoginChoice {
public:
    virtual ~LoginChoice() = default;

    // What the desktop says now.
    virtual bool enabled() const = 0;
    // Turns opening at login on or off, and records that the question has been answered.
    virtual void setLogin(bool on) = 0;
};
