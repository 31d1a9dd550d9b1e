#include "views/kit/Shown.h"

#include "model/SourceKind.h"

#include <cmath>

namespace Shown {

QString offered(const std::optional<Release>& release) {
    if (!release)
        return QStringLiteral("?");
    return release->version.value_or(release->build.value_or(QStringLiteral("?")));
}

QString installed(const InstalledApp& app) {
    return app.version.value_or(app.build.value_or(QStringLiteral("unknown")));
}

QString source(const std::optional<Release>& release) {
    return release ? SourceKinds::rawValue(release->kind) : QString();
}

QString shortForm(const QString& text) {
    if (text.size() <= 16)
        return text;
    return text.left(15) + QChar(0x2026);
}

QString team(const InstalledApp& app, const QString& unsigned_) {
    if (app.team)
        return *app.team;
    return app.bundleID.startsWith(QLatin1String("com.apple.")) ? QStringLiteral("Apple") : unsigned_;
}

int percentTruncated(double fraction) {
    return static_cast<int>(std::trunc(fraction * 100 + 1e-9));
}

int percentRounded(double fraction) {
    return static_cast<int>(std::round(fraction * 100));
}

QString selfReplacementHelp() {
    return QStringLiteral(
        "Quenlark can't replace itself while it's running. This opens its website to download the new version.");
}

QString unsignedDownloadHelp(const InstalledApp& app) {
    return app.name + QStringLiteral(" isn't signed by a developer, so Quenlark can't confirm the download is genuine. "
                                     "Download it from its website.");
}

} // namespace Shown
