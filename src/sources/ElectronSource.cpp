#include "sources/ElectronSource.h"

#include "runtime/Blocking.h"
#include "runtime/CheckError.h"
#include "runtime/Url.h"
#include "sources/Decimal.h"
#include "sources/Net.h"

#include <QStringList>

namespace ElectronSource {

namespace {

// Spaces and tabs, not line breaks.
bool isBlank(QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; }

bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

QStringView trimmed(QStringView text, bool (*drop)(QChar)) {
    qsizetype from = 0, to = text.size();
    while (from < to && drop(text[from]))
        ++from;
    while (to > from && drop(text[to - 1]))
        --to;
    return text.sliced(from, to - from);
}

bool isQuoteOrSpace(QChar c) { return c == u' ' || c == u'\'' || c == u'"'; }

QList<QStringView> lines(const QString& text) {
    QList<QStringView> result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isLineBreak(text[i])) {
            result.append(QStringView(text).sliced(start, i - start));
            start = i + 1;
        }
    }
    result.append(QStringView(text).sliced(start));
    return result;
}

} // namespace

std::optional<QString> value(const QString& line, const QString& key) {
    QStringView rest = trimmed(line, isBlank);
    if (rest.startsWith(u"- "))
        rest = rest.sliced(2);
    if (!rest.startsWith(key) || rest.size() <= key.size() || rest[key.size()] != u':')
        return std::nullopt;
    return trimmed(rest.sliced(key.size() + 1), isQuoteOrSpace).toString();
}

Release parse(const QByteArray& body, const QUrl& feed) {
    const QString text = QString::fromUtf8(body);
    std::optional<QString> version, address, size;
    for (QStringView view : lines(text)) {
        const QString line = view.toString();
        if (!version && !line.startsWith(u' '))
            version = value(line, QStringLiteral("version"));
        if (!address)
            address = value(line, QStringLiteral("url"));
        if (!size)
            size = value(line, QStringLiteral("size"));
        if (version && address && size)
            break;
    }
    if (!version)
        throw CheckError(QStringLiteral("latest-mac.yml has no version"));

    Release release;
    release.kind = SourceKind::electron;
    release.version = version;
    if (const auto relative = address ? Url::parse(*address) : std::nullopt) {
        Download download;
        download.url = feed.resolved(*relative);
        download.size = size ? Decimal::parse(*size) : std::nullopt;
        release.download = download;
    }
    return release;
}

QCoro::Task<Release> electron(QUrl feed, CancelToken token) {
    const QByteArray body = co_await Net::get(feed, std::nullopt, token);
    if (body.size() <= 64 * 1024)
        co_return parse(body, feed);
    co_return co_await Blocking::run([&] { return parse(body, feed); });
}

} // namespace ElectronSource
