#pragma once

#include "model/Download.h"
#include "model/SourceKind.h"

#include <QString>
#include <QUrl>

#include <optional>

// What one update source found for one application.
struct Release {
    SourceKind kind = SourceKind::appStore;
    std::optional<QString> version;
    std::optional<QString> build;
    std::optional<QString> notes;
    std::optional<QUrl> notesURL;
    std::optional<Download> download;
    std::optional<QUrl> storeURL;
    // What yielded it: the appcast URL, the cask token or the repository owner/name.
    std::optional<QString> ref;

    // The version as shown and remembered: the version, else the build, else "?".
    QString shownVersion() const { return version ? *version : build ? *build : QStringLiteral("?"); }
};
