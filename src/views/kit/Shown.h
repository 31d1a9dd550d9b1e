#pragma once

#include "model/InstalledApp.h"
#include "model/Release.h"

#include <QString>

#include <optional>

// How versions and sources read on screen, the same in every row view.
namespace Shown {

// Where a text from outside sits: alone in its label (cleaned: no controls, bounded), or inside a
// sentence of ours (isolated as well).
enum class Place { alone, sentence };

// An application's name as a label shows it alone.
QString name(const InstalledApp& app);
// A release's version, else its build, else "?".
QString offered(const std::optional<Release>& release, Place place = Place::alone);
// An application's version, else its build, else "unknown".
QString installed(const InstalledApp& app, Place place = Place::alone);
// The display name of the release's source; "" without a release.
QString source(const std::optional<Release>& release);
// A text longer than 16 characters as at most its first 15, cut between graphemes, and "…".
QString shortForm(const QString& text);
// The Team ID, else "Apple" for Apple's bundles, else `unsigned_`.
QString team(const InstalledApp& app, const QString& unsigned_);
// A fraction 0…1 as whole percent, cut toward zero (the tiny error of f × 100 aside, so 0.29
// reads 29) or rounded half away from zero.
int percentTruncated(double fraction);
int percentRounded(double fraction);
// Why a release is only offered as a download to fetch by hand.
QString selfReplacementHelp();
QString unsignedDownloadHelp(const InstalledApp& app);

} // namespace Shown
