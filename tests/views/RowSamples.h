#pragma once

#include "views/detail/RowFacts.h"

#include <QUrl>

// Rows in the shapes the row views' rules tell apart.
namespace RowSamples {

inline InstalledApp app(QString name = QStringLiteral("Example"),
                        QString bundleID = QStringLiteral("org.example.app")) {
    InstalledApp a;
    a.url = QStringLiteral("/Applications/") + name + QStringLiteral(".app");
    a.folder = QStringLiteral("/Applications");
    a.name = std::move(name);
    a.bundleID = std::move(bundleID);
    a.version = QStringLiteral("1.2");
    a.team = QStringLiteral("ABCDE12345");
    return a;
}

inline Release release(SourceKind kind, std::optional<QString> version = QStringLiteral("1.3"), bool download = true,
                       bool page = false) {
    Release r;
    r.kind = kind;
    r.version = std::move(version);
    if (download)
        r.download = Download{QUrl(QStringLiteral("https://example.org/app.zip")), 1000, std::nullopt, std::nullopt,
                              std::nullopt};
    if (page)
        r.notesURL = QUrl(QStringLiteral("https://example.org/notes"));
    return r;
}

inline RowFacts row(Status status = Status::update(), std::optional<Release> rel = release(SourceKind::sparkle),
                    InstallPhase phase = InstallPhase::idle()) {
    RowFacts r;
    r.app = app();
    r.status = std::move(status);
    r.release = std::move(rel);
    r.phase = std::move(phase);
    return r;
}

} // namespace RowSamples
