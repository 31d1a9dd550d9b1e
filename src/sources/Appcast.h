#pragma once

#include "model/Release.h"
#include "platform/system/SystemInfo.h"
#include "runtime/CancelToken.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QString>
#include <QUrl>

// The appcast source: the newest release of a self-updating application's feed that runs on
// this Mac.
namespace Appcast {

// Bodies larger than this are parsed off the GUI thread.
inline constexpr qsizetype inlineParseLimit = 64 * 1024;

// Fetches the feed and returns its newest item for this Mac. Throws CheckError (or the
// transport's error) when there is none.
QCoro::Task<Release> sparkle(QUrl feedURL, CancelToken token = {});

// Parses one feed document and picks its newest item that runs on `system`; pure, so it may run
// on any thread.
Release release(const QByteArray& document, const QUrl& feedURL, const SystemInfo::OSVersion& system);

// Plain text of an HTML release-note fragment: line breaks for paragraphs and list items, tags
// removed, the common entities decoded.
QString plainText(const QString& html);

} // namespace Appcast
