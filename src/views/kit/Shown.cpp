#include "views/kit/Shown.h"

#include "model/SourceKind.h"
#include "runtime/OutsideText.h"

#include <cmath>

namespace Shown {
namespace {

// The version, else the build, else our own `fallback`.
QString versionText(const std::optional<QString>& version, const std::optional<QString>& build, const QString& fallback,
                    Place place) {
    const std::optional<QString>& text = version ? version : build;
    if (place == Place::sentence)
        return OutsideText::isolated(text, fallback);
    return text ? OutsideText::clean(*text) : fallback;
}

} // namespace

QString name(const InstalledApp& app) { return OutsideText::clean(app.name); }

QString offered(const std::optional<Release>& release, Place place) {
    if (!release)
        return QStringLiteral("?");
    return versionText(release->version, release->build, QStringLiteral("?"), place);
}

QString installed(const InstalledApp& app, Place place) {
    return versionText(app.version, app.build, QStringLiteral("unknown"), place);
}

QString source(const std::optional<Release>& release) {
    return release ? SourceKinds::rawValue(release->kind) : QString();
}

QString shortForm(const QString& text) {
    return text.size() <= 16 ? text : OutsideText::clean(text, OutsideText::Lines::one, 15);
}

QString team(const InstalledApp& app, const QString& unsigned_) {
    if (app.team)
        return *app.team;
    return app.bundleID.startsWith(QLatin1String("com.apple.")) ? QStringLiteral("Apple") : unsigned_;
}

int percentTruncated(double fraction) { return static_cast<int>(std::trunc(fraction * 100 + 1e-9)); }

int percentRounded(double fraction) { return static_cast<int>(std::round(fraction * 100)); }

QString selfReplacementHelp() {
    return QStringLiteral(
        "Quenlark can't replace itself while it's running. This opens its website to download the new version.");
}

QString unsignedDownloadHelp(const InstalledApp& app) {
    return OutsideText::isolated(app.name) +
           QStringLiteral(" isn't signed by a developer, so Quenlark can't confirm the download is genuine. "
                          "Download it from its website.");
}

} // namespace Shown
