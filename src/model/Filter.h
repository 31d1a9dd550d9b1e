#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The dashboard filter; the raw value is the case name.
enum class Filter { all, updates, cantVerify, ignored, library };

namespace Filters {
const QList<Filter>& all();
QString rawValue(Filter filter);
std::optional<Filter> from(const QString& text);
} // namespace Filters

inline size_t qHash(Filter filter, size_t seed = 0) { return qHash(static_cast<int>(filter), seed); }
