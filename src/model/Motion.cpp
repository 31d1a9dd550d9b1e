#include "model/Motion.h"

#include "model/Launch.h"
#include "platform/desktop/DesktopSettings.h"

namespace Motion {

namespace {
bool instantForTests = false;
} // namespace

void setInstantForTests(bool instant) { instantForTests = instant; }

bool instant() { return instantForTests; }

bool reduced() { return DesktopSettings::shared().reduceMotion() || Launch::has(QStringLiteral("--reduce-motion")); }

Animation spring() {
    if (reduced())
        return {Animation::Kind::easeInOut, 0.2, 0, 0, 0};
    return {Animation::Kind::spring, 0, 0.45, 0.82, 0};
}

} // namespace Motion
