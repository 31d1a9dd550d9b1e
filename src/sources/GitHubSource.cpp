#include "sources/GitHubSource.h"

#include "platform/system/SystemInfo.h"
#include "runtime/Blocking.h"
#include "runtime/CheckError.h"
#include "runtime/OutsideText.h"
#include "runtime/Url.h"
#include "sources/Json.h"
#include "sources/Net.h"
#include "sources/WebLink.h"

#include <QStringView>

#include <unicode/uchar.h>

namespace GitHubSource {

namespace {

bool containsAny(const QString& name, std::initializer_list<const char*> words) {
    for (const char* word : words)
        if (name.contains(QLatin1String(word)))
            return true;
    return false;
}

constexpr std::initializer_list<const char*> otherSystems = {"linux", "windows", "win32",  "win64", "-win.",  "_win.",
                                                             "-win-", "src",     "source", "dsym",  "symbols"};
constexpr std::initializer_list<const char*> intelWords = {"x86_64", "x64", "intel", "amd64"};
constexpr std::initializer_list<const char*> armWords = {"arm64", "aarch64", "apple-silicon", "applesilicon"};
constexpr std::initializer_list<const char*> macWords = {"mac", "darwin", "osx"};

std::optional<int> score(const QJsonObject& asset, Processor processor) {
    const QString name = Json::string(asset.value(QLatin1String("name"))).value_or(QString()).toLower();
    if (!name.endsWith(QLatin1String(".dmg")) && !name.endsWith(QLatin1String(".zip")))
        return std::nullopt;
    if (containsAny(name, otherSystems))
        return std::nullopt;
    const auto& foreign = processor == Processor::arm64 ? intelWords : armWords;
    const auto& native = processor == Processor::arm64 ? armWords : intelWords;
    int points = 0;
    if (name.contains(QLatin1String("universal")))
        points = 3;
    else if (containsAny(name, foreign))
        return std::nullopt;
    if (containsAny(name, native))
        points += 2;
    if (containsAny(name, macWords))
        points += 1;
    return points;
}

} // namespace

Processor buildProcessor() { return SystemInfo::isArm() ? Processor::arm64 : Processor::x86_64; }

std::optional<QString> versionFromTag(const QString& tag) {
    for (qsizetype i = 0; i < tag.size();) {
        const char32_t c = tag.at(i).isHighSurrogate() && i + 1 < tag.size()
                               ? QChar::surrogateToUcs4(tag.at(i), tag.at(i + 1))
                               : tag.at(i).unicode();
        if (u_getIntPropertyValue(UChar32(c), UCHAR_NUMERIC_TYPE) != U_NT_NONE)
            return tag.mid(i);
        i += c > 0xFFFF ? 2 : 1;
    }
    return std::nullopt;
}

std::optional<QJsonObject> macAsset(const QList<QJsonObject>& assets, Processor processor) {
    std::optional<QJsonObject> best;
    int bestScore = -1;
    for (const QJsonObject& asset : assets) {
        const auto points = score(asset, processor);
        if (points && *points > bestScore) {
            best = asset;
            bestScore = *points;
        }
    }
    return best;
}

Release parse(const QByteArray& body, Processor processor) {
    const QJsonDocument document = Json::parse(body);
    const QJsonObject top = document.object();
    const auto tag = document.isObject() ? Json::string(top.value(QLatin1String("tag_name"))) : std::nullopt;
    if (!tag)
        throw CheckError(QStringLiteral("The repository has no published release"));
    const auto version = versionFromTag(*tag);
    if (!version)
        throw CheckError(QStringLiteral("The release tag \"") + OutsideText::isolated(*tag) +
                         QStringLiteral("\" has no version number"));

    Release release;
    release.kind = SourceKind::github;
    release.version = version;
    release.notes = Json::string(top.value(QLatin1String("body")));
    release.notesURL = WebLink::web(Json::string(top.value(QLatin1String("html_url"))));

    const auto assets = Json::objects(top.value(QLatin1String("assets")));
    if (const auto asset = macAsset(assets.value_or(QList<QJsonObject>()), processor)) {
        const auto address = Json::string(asset->value(QLatin1String("browser_download_url")));
        if (const auto url = address ? Url::parse(*address) : std::nullopt) {
            Download download;
            download.url = *url;
            download.size = Json::truncated(asset->value(QLatin1String("size")));
            const auto digest = Json::string(asset->value(QLatin1String("digest")));
            if (digest && digest->startsWith(QLatin1String("sha256:")))
                download.sha256 = digest->mid(7);
            release.download = download;
        }
    }
    return release;
}

QCoro::Task<Release> github(QUrl url, CancelToken token, Processor processor) {
    const QByteArray body = co_await Net::get(url, QStringLiteral("application/vnd.github+json"), token);
    if (body.size() <= 64 * 1024)
        co_return parse(body, processor);
    co_return co_await Blocking::run([&] { return parse(body, processor); });
}

} // namespace GitHubSource
