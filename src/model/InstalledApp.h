#pragma once

#include "model/Release.h"

#include <QString>
#include <QUrl>

#include <optional>

// One application bundle found on disk. Paths are canonical, without a trailing slash.
struct InstalledApp {
    QString url;    // the .app bundle
    QString folder; // the scanned folder it was found under
    QString name;
    QString bundleID;
    std::optional<QString> version; // short (marketing) version
    std::optional<QString> build;   // bundle version
    std::optional<QString> team;    // Team ID of the code signature
    bool isAppStore = false;
    std::optional<QUrl> feedURL; // Sparkle appcast
    std::optional<QString> edKey;
    std::optional<QUrl> electronFeed; // address of a latest-mac.yml

    // Whether this is the running program itself.
    bool isQuenlark() const;
    // Whether this program may install `release` over this application: only when the download
    // can be verified against something the installed copy already carries.
    bool canInstall(const std::optional<Release>& release) const;
};
