#pragma once

// Why a notch decision is asked for.
enum class NotchTrigger {
    login,  // new updates after a background check that covered every application
    wake,   // the computer woke or its screen was unlocked
    check,  // new updates after any other background check
    resume, // a wait that a snooze set has run out
    manual, // a showing an earlier decision scheduled is due now
};
