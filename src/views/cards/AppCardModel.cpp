#include "views/cards/AppCardModel.h"

#include "runtime/OutsideText.h"
#include "views/kit/Shown.h"

#include <QObject>

namespace AppCardModel {

QString detail(const RowFacts& row) {
    QStringList parts{OutsideText::isolated(row.app.bundleID)};
    if (row.release)
        parts << Shown::source(row.release);
    if (row.app.build)
        parts << QStringLiteral("Build ") + OutsideText::isolated(*row.app.build);
    parts << OutsideText::isolated(row.app.team, Shown::team(row.app, QStringLiteral("No Team ID")));
    return parts.join(QStringLiteral("  \u00B7  "));
}

QString accessibilityText(const RowFacts& row) {
    QString text = OutsideText::isolated(row.app.name) + QStringLiteral(", version ") +
                   Shown::installed(row.app, Shown::Place::sentence);
    switch (row.phase.kind()) {
    case InstallPhase::Kind::downloading:
        return text + QStringLiteral(", downloading, ") +
               QString::number(Shown::percentTruncated(row.phase.fraction())) + QStringLiteral(" percent");
    case InstallPhase::Kind::failed:
        return text + QStringLiteral(", update failed: ") + row.phase.message();
    case InstallPhase::Kind::queued:
        return text + QStringLiteral(", queued for update");
    case InstallPhase::Kind::verifying:
        return text + QStringLiteral(", verifying download");
    case InstallPhase::Kind::installing:
        return text + QStringLiteral(", installing");
    case InstallPhase::Kind::done:
        return text + QStringLiteral(", updated");
    case InstallPhase::Kind::blocked:
        return text + QStringLiteral(", update blocked: Quenlark needs App Management permission");
    case InstallPhase::Kind::idle:
        break;
    }
    switch (row.status.kind()) {
    case Status::Kind::cantVerify:
        return text + QStringLiteral(", can't verify: ") + row.status.reason();
    case Status::Kind::ignored:
        return text + QStringLiteral(", ") + QObject::tr("Ignored");
    case Status::Kind::checking:
        return text + QStringLiteral(", ") + QObject::tr("Checking");
    case Status::Kind::update:
        return text + QStringLiteral(", update available: ") +
               (row.release ? Shown::offered(row.release, Shown::Place::sentence) : QString());
    case Status::Kind::upToDate:
        return text + QStringLiteral(", ") + QObject::tr("Up to date");
    }
    return text;
}

QString hint(bool expanded) {
    return expanded ? QObject::tr("Hides details") : QObject::tr("Shows where Quenlark looked and what it found");
}

QList<NamedAction> namedActions(const RowFacts& row) {
    QList<NamedAction> actions;
    if (row.status.kind() != Status::Kind::update || !row.release)
        return actions;
    const auto phase = row.phase.kind();
    const bool mayStart = phase == InstallPhase::Kind::idle || phase == InstallPhase::Kind::failed ||
                          phase == InstallPhase::Kind::blocked;
    if (row.app.canInstall(row.release) && mayStart)
        actions.append({QObject::tr("Update to %1").arg(Shown::offered(row.release, Shown::Place::sentence)),
                        {RowAction::Kind::update, {}}});
    if (row.release->kind.traits().opensStore)
        actions.append({QObject::tr("Open in App Store"), {RowAction::Kind::openStore, {}}});
    return actions;
}

} // namespace AppCardModel
