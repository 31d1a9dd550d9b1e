#pragma once

#include <QString>
#include <QUrl>

// The base URLs update discovery talks to. Paths are appended the same way whether or not a
// base ends in "/".
struct Endpoints {
    QUrl itunes; // the App Store lookup service
    QUrl brew;   // the Homebrew formulae service
    QUrl github; // the GitHub REST service

    // The public services.
    Endpoints();
    Endpoints(QUrl itunes, QUrl brew, QUrl github);
    // Every request goes to one mock server.
    static Endpoints mock(const QUrl& url);

    QUrl lookup() const;                                 // itunes + "lookup"
    QUrl caskCatalogue() const;                          // brew + "api/cask.json"
    QUrl cask(const QString& token) const;               // brew + "cask/<token>"
    QUrl latestRelease(const QString& repository) const; // github + "repos/<owner/name>/releases/latest"
};
