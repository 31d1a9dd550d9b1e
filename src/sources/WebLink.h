#pragma once

#include "sources/StyledText.h"

#include <QString>
#include <QUrl>

#include <optional>

// Checks URLs taken from remote data before they are stored, opened or shown as links, and turns
// release notes into styled text whose links are all web pages.
namespace WebLink {

// An absolute http or https URL (resolved against `base` when given), else nothing.
std::optional<QUrl> web(const std::optional<QString>& string, const std::optional<QUrl>& base = std::nullopt);
// Like `web`, also accepting App Store links (macappstore, itms-apps).
std::optional<QUrl> store(const std::optional<QString>& string);
// Inline Markdown (emphasis, strong, code spans, links); block syntax stays literal and
// whitespace is kept. Links that are not web pages keep their text and lose the link.
StyledText markdown(const QString& text);

} // namespace WebLink
