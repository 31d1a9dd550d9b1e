#include "model/SourceKind.h"

namespace SourceKinds {

const QList<SourceKind>& all() {
    static const QList<SourceKind> kinds{SourceKind::appStore, SourceKind::sparkle, SourceKind::homebrew,
                                         SourceKind::github, SourceKind::electron};
    return kinds;
}

QString rawValue(SourceKind kind) {
    switch (kind) {
    case SourceKind::appStore: return QStringLiteral("Mac App Store");
    case SourceKind::sparkle: return QStringLiteral("Sparkle");
    case SourceKind::homebrew: return QStringLiteral("Homebrew cask");
    case SourceKind::github: return QStringLiteral("GitHub Releases");
    case SourceKind::electron: return QStringLiteral("Electron");
    }
    return {};
}

std::optional<SourceKind> from(const QString& text) {
    for (auto kind : all())
        if (rawValue(kind) == text)
            return kind;
    return std::nullopt;
}

bool canInstall(SourceKind kind) {
    return kind == SourceKind::sparkle || kind == SourceKind::homebrew || kind == SourceKind::github;
}

} // namespace SourceKinds
