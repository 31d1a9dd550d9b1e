#include "model/Verdict.h"

#include "model/Version.h"
#include "runtime/OutsideText.h"

namespace Verdict {

Status status(const InstalledApp& app, const std::optional<Release>& release, const QList<Attempt>& attempts,
              const QStringList& ignoredApps, const QMap<QString, QString>& ignoredVersions) {
    if (ignoredApps.contains(app.bundleID))
        return Status::ignored(QStringLiteral("You're ignoring this app"));
    if (!release)
        return Status::cantVerify(reason(app, attempts));

    const auto newer = Version::isNewer({app.version, app.build}, {release->version, release->build});
    if (!newer) {
        const QString installed =
            OutsideText::isolated(app.version ? app.version : app.build, QStringLiteral("unknown"));
        const QString latest =
            OutsideText::isolated(release->version ? release->version : release->build, QStringLiteral("?"));
        return Status::cantVerify(QStringLiteral("Couldn't compare the installed version ") + installed +
                                  QStringLiteral(" with ") + latest + QStringLiteral(" from ") +
                                  SourceKinds::rawValue(release->kind));
    }
    if (!*newer)
        return Status::upToDate();
    const QString latest = release->version.value_or(release->build.value_or(QString()));
    if (const auto skipped = ignoredVersions.constFind(app.bundleID);
        skipped != ignoredVersions.constEnd() && *skipped == latest)
        return Status::ignored(QStringLiteral("You're skipping version ") + OutsideText::isolated(latest));
    return Status::update();
}

QString reason(const InstalledApp& app, const QList<Attempt>& attempts) {
    for (auto it = attempts.crbegin(); it != attempts.crend(); ++it)
        if (it->outcome.kind() == Attempt::Outcome::Kind::fail)
            return SourceKinds::rawValue(it->kind) + QStringLiteral(": ") + it->outcome.text();
    if (app.bundleID.startsWith(QStringLiteral("com.apple.")))
        return QStringLiteral("Apple app with no App Store receipt; macOS Software Update keeps it current");
    return QStringLiteral("No update source: no App Store receipt, Sparkle feed, Homebrew cask, GitHub repository or "
                          "Electron feed");
}

} // namespace Verdict
