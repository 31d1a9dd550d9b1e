#include "sources/AppStoreSource.h"

#include "runtime/Blocking.h"
#include "runtime/CheckError.h"
#include "runtime/Url.h"
#include "sources/Json.h"
#include "sources/Net.h"
#include "sources/WebLink.h"

#include <QJsonObject>

namespace AppStoreSource {

QString region(const QLocale& locale) {
    if (locale.territory() == QLocale::AnyTerritory)
        return QStringLiteral("US");
    const QString code = QLocale::territoryToCode(locale.territory());
    return code.isEmpty() ? QStringLiteral("US") : code;
}

QUrl lookupURL(const InstalledApp& app, const Endpoints& endpoints, const QLocale& locale) {
    QUrl url = endpoints.lookup();
    const auto item = [](const char* name, const QString& value) -> QString {
        return QString::fromLatin1(name) + u'=' + QString::fromLatin1(QUrl::toPercentEncoding(value));
    };
    url.setQuery(item("bundleId", app.bundleID) + u'&' + item("country", region(locale)), QUrl::StrictMode);
    return url;
}

Release parse(const QByteArray& body, const QString& bundleID, const QString& region) {
    const QJsonDocument document = Json::parse(body);
    const auto notFound = [&] {
        return CheckError(QStringLiteral("Not found in the ") + region + QStringLiteral(" App Store"));
    };
    if (!document.isObject())
        throw notFound();
    const auto results = Json::objects(document.object().value(QLatin1String("results")));
    if (!results)
        throw notFound();
    const QJsonObject* match = nullptr;
    for (const QJsonObject& result : *results) {
        if (Json::string(result.value(QLatin1String("bundleId"))) == bundleID) {
            match = &result;
            break;
        }
    }
    if (!match)
        throw notFound();
    const auto version = Json::string(match->value(QLatin1String("version")));
    if (!version)
        throw notFound();

    Release release;
    release.kind = SourceKind::appStore;
    release.version = version;
    release.notes = Json::string(match->value(QLatin1String("releaseNotes")));
    if (const auto trackId = Json::integer(match->value(QLatin1String("trackId"))))
        release.storeURL =
            Url::parse(QStringLiteral("macappstore://apps.apple.com/app/id") + QString::number(*trackId));
    if (!release.storeURL)
        release.storeURL = WebLink::store(Json::string(match->value(QLatin1String("trackViewUrl"))));
    return release;
}

QCoro::Task<Release> appStore(InstalledApp app, QUrl url, CancelToken token, QLocale locale) {
    const QByteArray body = co_await Net::get(url, std::nullopt, token);
    const QString code = region(locale);
    if (body.size() <= 64 * 1024)
        co_return parse(body, app.bundleID, code);
    // The frame outlives the work, so the work borrows its locals.
    co_return co_await Blocking::run([&] { return parse(body, app.bundleID, code); });
}

} // namespace AppStoreSource
