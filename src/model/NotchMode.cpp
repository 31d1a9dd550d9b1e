#include "model/NotchMode.h"

namespace NotchModes {

const QList<NotchMode>& all() {
    static const QList<NotchMode> modes{NotchMode::smart, NotchMode::daily, NotchMode::login, NotchMode::never};
    return modes;
}

QString rawValue(NotchMode mode) {
    switch (mode) {
    case NotchMode::smart:
        return QStringLiteral("smart");
    case NotchMode::daily:
        return QStringLiteral("daily");
    case NotchMode::login:
        return QStringLiteral("login");
    case NotchMode::never:
        return QStringLiteral("never");
    }
    return {};
}

std::optional<NotchMode> from(const QString& text) {
    for (auto mode : all())
        if (rawValue(mode) == text)
            return mode;
    return std::nullopt;
}

} // namespace NotchModes
