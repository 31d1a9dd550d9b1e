#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// URL helpers shared by every subsystem.
namespace Url {

// Tolerant parsing of remote or user text (surrounding white space ignored, spaces inside
// encoded); nothing when the result is not a valid URL. Relative references are valid.
std::optional<QUrl> parse(const QString& text);

// Appends path segments to a base URL, giving the same result whether or not the base ends in
// "/" (QUrl::resolved would drop the base's last segment).
QUrl appending(const QUrl& base, const QString& path);

// The canonical form of a local path: absolute, cleaned, no trailing slash (except "/").
QString canonicalPath(const QString& path);

} // namespace Url
