#include "sources/Endpoints.h"

#include "runtime/Url.h"

namespace {
QUrl fixed(const char* text) {
    const auto url = Url::parse(QString::fromLatin1(text));
    Q_ASSERT_X(url, "Endpoints", "a default base URL does not parse");
    return *url;
}
} // namespace

Endpoints::Endpoints()
    : itunes(fixed("https://itunes.apple.com")), brew(fixed("https://formulae.brew.sh")),
      github(fixed("https://api.github.com")) {}

Endpoints::Endpoints(QUrl itunes, QUrl brew, QUrl github)
    : itunes(std::move(itunes)), brew(std::move(brew)), github(std::move(github)) {}

Endpoints Endpoints::mock(const QUrl& url) { return Endpoints(url, url, url); }

QUrl Endpoints::lookup() const { return Url::appending(itunes, QStringLiteral("lookup")); }

QUrl Endpoints::caskCatalogue() const { return Url::appending(brew, QStringLiteral("api/cask.json")); }

QUrl Endpoints::cask(const QString& token) const { return Url::appending(brew, QStringLiteral("cask/") + token); }

QUrl Endpoints::latestRelease(const QString& repository) const {
    return Url::appending(github, QStringLiteral("repos/") + repository + QStringLiteral("/releases/latest"));
}
