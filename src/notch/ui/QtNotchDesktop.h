#pragma once

#include "notch/NotchDesktop.h"

// The notch scheduler's view of this application's windows and of the desktop's full-screen
// windows.
class QtNotchDesktop final : public NotchDesktop {
public:
    QList<Window> ownWindows() const override;
    bool applicationActive() const override;
    bool fullScreenAppInFront() const override;
};
