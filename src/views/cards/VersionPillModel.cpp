#include "views/cards/VersionPillModel.h"

#include "runtime/OutsideText.h"
#include "views/kit/Shown.h"

namespace VersionPillModel {

Pill pill(const RowFacts& row) {
    Pill result;
    switch (row.phase.kind()) {
    case InstallPhase::Kind::downloading:
    case InstallPhase::Kind::queued:
    case InstallPhase::Kind::verifying:
    case InstallPhase::Kind::installing:
    case InstallPhase::Kind::failed:
        result.showsLatest = true;
        break;
    case InstallPhase::Kind::done: // the installed copy is the latest now
        break;
    default:
        result.showsLatest = row.status.kind() == Status::Kind::update;
    }
    const QString installed = Shown::installed(row.app);
    result.installed = Shown::shortForm(installed);
    if (result.showsLatest && row.release)
        result.latest = Shown::shortForm(Shown::offered(row.release));
    result.help = QStringLiteral("Installed ") + Shown::installed(row.app, Shown::Place::sentence);
    if (row.release) {
        if (row.app.build)
            result.help += QStringLiteral(" (") + OutsideText::isolated(*row.app.build) + QLatin1Char(')');
        result.help += QStringLiteral(", latest ") + Shown::offered(row.release, Shown::Place::sentence) +
                       QStringLiteral(" from ") + Shown::source(row.release);
    }
    return result;
}

} // namespace VersionPillModel
