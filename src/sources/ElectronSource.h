#pragma once

#include "model/Release.h"
#include "runtime/CancelToken.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QString>
#include <QUrl>

#include <optional>

// An electron-updater feed ("latest-mac.yml"), read with a few line rules rather than as YAML:
// only the version, the first file's address and the first size matter.
namespace ElectronSource {

// The value of `key` on one line ("key: value", possibly a list item, quotes trimmed).
std::optional<QString> value(const QString& line, const QString& key);
// The release a feed body names; `feed` is where it came from, for relative addresses.
// Throws CheckError when no top-level version line exists. Invalid UTF-8 is replaced.
Release parse(const QByteArray& body, const QUrl& feed);
// Fetches and reads the feed.
QCoro::Task<Release> electron(QUrl feed, CancelToken token = {});

} // namespace ElectronSource
