#pragma once

#include "model/AppItem.h"
#include "model/Release.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// The text naming one offered update: bundle identifier, "@" and the release's version, else its
// build, else "?".
namespace UpdateKey {

QString of(const QString& bundleID, const Release& release);

// The keys of the rows whose status is update and that carry a release, in the rows' order.
QStringList pending(const QList<std::shared_ptr<AppItem>>& rows);

} // namespace UpdateKey
