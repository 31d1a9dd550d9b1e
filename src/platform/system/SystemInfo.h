#pragma once

#include <QString>

#include <optional>

// What update feeds and the cask catalogue filter on: the macOS version this program presents
// itself as and the processor it was built for. Linux has no macOS version, so one fixed release
// stands in for it: macOS 15.6.0 ("sequoia"), a current release that every feed and cask still
// supports. Both answers can be replaced in tests.
namespace SystemInfo {

struct OSVersion {
    int major = 0;
    int minor = 0;
    int patch = 0;

    // The three numbers joined with ".", the patch always present ("15.6.0").
    QString text() const;
    bool operator==(const OSVersion&) const = default;
};

inline constexpr OSVersion emulatedMacOS{15, 6, 0};

// The emulated macOS version, unless a test replaced it.
OSVersion macOSVersion();
// "arm64" or "x86_64": the processor of this build, unless a test replaced it.
QString cpu();
// Whether this is an Apple-silicon (arm64) build.
bool isArm();

// Test seams; std::nullopt restores the build's own answer.
void overrideMacOSVersion(std::optional<OSVersion> version);
void overrideArm(std::optional<bool> arm);

} // namespace SystemInfo
