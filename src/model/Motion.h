#pragma once

#include "model/Spring.h"

// The one standard animation every view uses, with its reduced-motion variant.
namespace Motion {

struct Animation {
    enum class Kind { easeInOut, spring };
    Kind kind;
    double duration;        // easeInOut: seconds
    double response;        // spring: seconds
    double dampingFraction; // spring
    double blendDuration;   // spring: seconds

    bool operator==(const Animation&) const = default;
};

// Whether the desktop asks for reduced motion or the launch holds "--reduce-motion".
bool reduced();

// Tests see every animation at its end at once; views read this before starting one.
void setInstantForTests(bool instant);
bool instant();

// Worked out anew at every call, so a change of the desktop setting applies to the next
// animation: an ease-in-out of 0.2 s when reduced, else a spring of response 0.45 s, damping
// fraction 0.82 and no blending.
Animation spring();

} // namespace Motion
