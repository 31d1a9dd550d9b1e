#pragma once

#include "model/Release.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// One cask of the catalogue, as far as finding and updating an installed application needs it.
struct Cask {
    QString token;
    QString version; // "" when the cask has none
    std::optional<QUrl> url;
    std::optional<QString> sha256;
    std::optional<QString> homepage;
    QStringList bundleIDs;      // harvested from the uninstall and zap stanzas, duplicates kept
    QString mentions;           // identifiers and stanza strings, one per line, lower-cased
    QStringList zap;            // "~/Library/..." paths without wildcards
    std::optional<QString> pkg; // the installer package of the first "pkg" artifact

    // The cask's release. Throws CheckError for an unversioned cask.
    Release release() const;

    // The GitHub repository (owner/name) named by the homepage or else the download URL.
    std::optional<QString> githubRepo() const;

    // The first GitHub repository address in `text`, as owner/name.
    static std::optional<QString> repo(const QString& text);

    // The catalogue's variation key for this Mac: "arm64_<codename>" or "<codename>".
    static std::optional<QString> variationKey(bool arm, int macOS);

    // macOS major version to the catalogue's codename.
    static const QMap<int, QString>& codenames();
};
