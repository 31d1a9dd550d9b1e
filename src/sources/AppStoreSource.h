#pragma once

#include "model/InstalledApp.h"
#include "model/Release.h"
#include "runtime/CancelToken.h"
#include "sources/Endpoints.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QLocale>
#include <QString>
#include <QUrl>

// The first source of a check: the App Store lookup service, for applications installed from
// the store.
namespace AppStoreSource {

// The two-letter region code of `locale`, or "US" when it names no region.
QString region(const QLocale& locale = QLocale::system());
// endpoints.itunes + "lookup?bundleId=<id>&country=<region>".
QUrl lookupURL(const InstalledApp& app, const Endpoints& endpoints, const QLocale& locale = QLocale::system());
// The release an answer of the lookup service names for `bundleID`; throws ParseError for a
// body that is not JSON and CheckError when the answer holds no usable match.
Release parse(const QByteArray& body, const QString& bundleID, const QString& region);
// Fetches `url` (as lookupURL built it) and reads the answer.
QCoro::Task<Release> appStore(InstalledApp app, QUrl url, CancelToken token = {}, QLocale locale = QLocale::system());

} // namespace AppStoreSource
