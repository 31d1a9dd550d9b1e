#pragma once

#include "model/Attempt.h"
#include "model/InstalledApp.h"
#include "model/Release.h"
#include "model/Status.h"

#include <QMap>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The status rules: what the result of one check means for a row, in the sentences the user reads.
namespace Verdict {

// Never gives `checking`.
Status status(const InstalledApp& app, const std::optional<Release>& release, const QList<Attempt>& attempts,
              const QStringList& ignoredApps, const QMap<QString, QString>& ignoredVersions);

// Why no release was found: the failure of the source tried last, else the lack of any source.
QString reason(const InstalledApp& app, const QList<Attempt>& attempts);

} // namespace Verdict
