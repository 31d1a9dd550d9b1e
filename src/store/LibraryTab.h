#pragma once

#include <QList>
#include <QString>

#include <optional>

// The tabs of the library screen; the raw value is the tab's title.
enum class LibraryTab { missing, all, removed, yours };

namespace LibraryTabs {
const QList<LibraryTab>& all();
QString rawValue(LibraryTab tab);
std::optional<LibraryTab> from(const QString& text);
} // namespace LibraryTabs
