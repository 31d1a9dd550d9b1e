#include "store/LibraryTab.h"

namespace LibraryTabs {

const QList<LibraryTab>& all() {
    static const QList<LibraryTab> tabs{LibraryTab::missing, LibraryTab::all, LibraryTab::removed, LibraryTab::yours};
    return tabs;
}

QString rawValue(LibraryTab tab) {
    switch (tab) {
    case LibraryTab::missing:
        return QStringLiteral("Not on This Mac");
    case LibraryTab::all:
        return QStringLiteral("All");
    case LibraryTab::removed:
        return QStringLiteral("Removed");
    case LibraryTab::yours:
        return QStringLiteral("Get It Yourself");
    }
    return {};
}

std::optional<LibraryTab> from(const QString& text) {
    for (LibraryTab tab : all())
        if (rawValue(tab) == text)
            return tab;
    return std::nullopt;
}

} // namespace LibraryTabs
