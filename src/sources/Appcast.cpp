#include "sources/Appcast.h"

#include "model/Version.h"
#include "runtime/Blocking.h"
#include "runtime/CheckError.h"
#include "runtime/Url.h"
#include "sources/AppcastParser.h"
#include "sources/Net.h"
#include "sources/WebLink.h"

#include <QRegularExpression>

namespace Appcast {

namespace {

bool runsOn(const AppcastItem& item, const Version& system) {
    if (item.channel)
        return false;
    if (item.os && *item.os != QLatin1String("macos"))
        return false;
    if (!item.build && !item.short_)
        return false;
    if (const auto min = Version::parse(item.minOS); min && system < *min)
        return false;
    if (const auto max = Version::parse(item.maxOS); max && *max < system)
        return false;
    return true;
}

// Whether `best` is strictly older than `other`: the bundle versions decide when both parse and
// differ, the display versions otherwise.
bool olderThan(const AppcastItem& best, const AppcastItem& other) {
    const auto bestBuild = Version::parse(best.build);
    const auto otherBuild = Version::parse(other.build);
    if (bestBuild && otherBuild && !(*bestBuild == *otherBuild))
        return *bestBuild < *otherBuild;
    const Version zero = *Version::parse(QStringLiteral("0"));
    return Version::parse(best.short_).value_or(zero) < Version::parse(other.short_).value_or(zero);
}

} // namespace

Release release(const QByteArray& document, const QUrl& feedURL, const SystemInfo::OSVersion& system) {
    AppcastParser parser;
    if (const auto error = parser.parse(document))
        throw CheckError(QStringLiteral("The appcast isn't valid XML (") + *error + QLatin1Char(')'));

    const QString systemText = system.text();
    const Version systemVersion = *Version::parse(systemText);
    const AppcastItem* best = nullptr;
    for (const AppcastItem& item : parser.items) {
        if (!runsOn(item, systemVersion))
            continue;
        if (!best || olderThan(*best, item))
            best = &item;
    }
    if (!best) {
        if (parser.items.isEmpty())
            throw CheckError(QStringLiteral("The appcast lists no releases"));
        throw CheckError(QStringLiteral("No release in the appcast runs on macOS ") + systemText);
    }

    Release result;
    result.kind = SourceKind::sparkle;
    result.version = best->short_;
    result.build = best->build;
    if (best->description)
        result.notes = plainText(*best->description);
    result.notesURL = WebLink::web(best->notesLink, feedURL);
    if (best->enclosureURL) {
        if (const auto relative = Url::parse(*best->enclosureURL)) {
            const QUrl absolute = feedURL.resolved(*relative);
            if (absolute.isValid()) {
                Download download;
                download.url = absolute;
                download.size = best->length;
                download.edSignature = best->edSignature;
                result.download = download;
            }
        }
    }
    return result;
}

QCoro::Task<Release> sparkle(QUrl feedURL, CancelToken token) {
    // Calls are made before their co_await, named, so no temporary lives inside an await that
    // can throw (see AwaitSafe.h).
    auto request = Net::get(feedURL, std::nullopt, token);
    const QByteArray body = co_await std::move(request);
    const SystemInfo::OSVersion system = SystemInfo::macOSVersion();
    if (body.size() <= inlineParseLimit)
        co_return release(body, feedURL, system);
    auto work = [body, feedURL, system] { return release(body, feedURL, system); };
    co_return co_await Blocking::run(work);
}

QString plainText(const QString& html) {
    // Compiled per call: the patterns are few and the function may run on any thread.
    QString text = html;
    text.replace(QRegularExpression(QStringLiteral(R"((?i)<br\s*/?>|</p>|</h[1-6]>|</div>)")), QStringLiteral("\n"));
    text.replace(QRegularExpression(QStringLiteral(R"((?i)<li[^>]*>)")), QStringLiteral("\n\u2022 "));
    text.replace(QRegularExpression(QStringLiteral(R"(<[^>]+>)")), QString());
    text.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    // Last, so that "&amp;lt;" stays the text "&lt;".
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    text.replace(QRegularExpression(QStringLiteral("\n[ \t]*\n+")), QStringLiteral("\n"));
    return text.trimmed();
}

} // namespace Appcast
