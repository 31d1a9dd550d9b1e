#pragma once

#include "library/Cloud.h"
#include "store/CloudConfig.h"
#include "store/Session.h"

#include <QCoro/QCoroTask>
#include <QString>

// The demo's account on the local emulators: made afresh with its address confirmed, and its
// library holding the apps of another Mac, "Studio", as that Mac's last sync left them.
namespace DemoLibrary {

inline const QString email = QStringLiteral("demo@quenlark.test");
inline const QString password = QStringLiteral("quenlark-demo");
// Studio's device id and name.
inline const QString studioID = QStringLiteral("dstudio");
inline const QString studioName = QStringLiteral("Studio");

// Makes the account and records `studio` as Studio's apps; returns its session. Throws what
// the identity service or the document database throws.
QCoro::Task<Session> seed(CloudConfig config, QList<Cloud::Scanned> studio);

} // namespace DemoLibrary
