#include "model/Theme.h"

namespace Themes {

const QList<Theme>& all() {
    static const QList<Theme> themes{Theme::system, Theme::light, Theme::dark};
    return themes;
}

QString rawValue(Theme theme) {
    switch (theme) {
    case Theme::system:
        return QStringLiteral("system");
    case Theme::light:
        return QStringLiteral("light");
    case Theme::dark:
        return QStringLiteral("dark");
    }
    return {};
}

std::optional<Theme> from(const QString& text) {
    for (auto theme : all())
        if (rawValue(theme) == text)
            return theme;
    return std::nullopt;
}

} // namespace Themes
