#include "model/Filter.h"

namespace Filters {

const QList<Filter>& all() {
    static const QList<Filter> filters{Filter::all, Filter::updates, Filter::cantVerify, Filter::ignored,
                                       Filter::library};
    return filters;
}

QString rawValue(Filter filter) {
    switch (filter) {
    case Filter::all:
        return QStringLiteral("all");
    case Filter::updates:
        return QStringLiteral("updates");
    case Filter::cantVerify:
        return QStringLiteral("cantVerify");
    case Filter::ignored:
        return QStringLiteral("ignored");
    case Filter::library:
        return QStringLiteral("library");
    }
    return {};
}

std::optional<Filter> from(const QString& text) {
    for (auto filter : all())
        if (rawValue(filter) == text)
            return filter;
    return std::nullopt;
}

} // namespace Filters
