#include "platform/system/SystemInfo.h"

#include <QtGlobal>

#include <atomic>

namespace SystemInfo {

namespace {

// Set only by tests before the code under test runs; read from any thread.
std::atomic<bool> versionOverridden{false};
std::atomic<int> overrideMajor{0}, overrideMinor{0}, overridePatch{0};
std::atomic<int> armOverride{-1}; // -1: the build's own processor

constexpr bool builtForArm() {
#if defined(Q_PROCESSOR_ARM_64)
    return true;
#else
    return false;
#endif
}

} // namespace

QString OSVersion::text() const { return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(patch); }

OSVersion macOSVersion() {
    if (!versionOverridden.load())
        return emulatedMacOS;
    return {overrideMajor.load(), overrideMinor.load(), overridePatch.load()};
}

bool isArm() {
    const int forced = armOverride.load();
    return forced < 0 ? builtForArm() : forced == 1;
}

QString cpu() { return isArm() ? QStringLiteral("arm64") : QStringLiteral("x86_64"); }

void overrideMacOSVersion(std::optional<OSVersion> version) {
    if (version) {
        overrideMajor = version->major;
        overrideMinor = version->minor;
        overridePatch = version->patch;
    }
    versionOverridden = version.has_value();
}

void overrideArm(std::optional<bool> arm) { armOverride = arm ? (*arm ? 1 : 0) : -1; }

} // namespace SystemInfo
