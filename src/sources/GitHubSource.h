#pragma once

#include "model/Release.h"
#include "runtime/CancelToken.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// A repository's latest published release on GitHub, with the one macOS disk image or zip
// archive that fits this build.
namespace GitHubSource {

enum class Processor { arm64, x86_64 };

// The processor this program was built for (as SystemInfo reports it).
Processor buildProcessor();

// The version inside a release tag: everything from its first numeric character (Unicode's
// numeric property), else nothing.
std::optional<QString> versionFromTag(const QString& tag);

// The asset to download among `assets`, or nothing. On arm64 Apple-silicon builds are preferred
// and Intel-only ones skipped; on x86_64 the reverse, so the choice runs on this Mac.
std::optional<QJsonObject> macAsset(const QList<QJsonObject>& assets, Processor processor = buildProcessor());

// The release in a latest-release answer; throws ParseError for a body that is not JSON and
// CheckError for an answer without a usable tag.
Release parse(const QByteArray& body, Processor processor = buildProcessor());

// Fetches the latest-release URL (endpoints.github + "repos/<owner/name>/releases/latest").
QCoro::Task<Release> github(QUrl url, CancelToken token = {}, Processor processor = buildProcessor());

} // namespace GitHubSource
