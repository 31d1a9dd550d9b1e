#include "runtime/Url.h"

#include <QDir>
#include <QFileInfo>

namespace Url {

std::optional<QUrl> parse(const QString& raw) {
    // Feeds and plists often wrap an address in white space, which QUrl would otherwise keep
    // as part of the path (or reject).
    const QString text = raw.trimmed();
    QUrl url(text, QUrl::TolerantMode);
    if (text.isEmpty() || !url.isValid())
        return std::nullopt;
    return url;
}

QUrl appending(const QUrl& base, const QString& path) {
    QUrl url = base;
    QString head = url.path(QUrl::FullyEncoded);
    while (head.endsWith(QLatin1Char('/')))
        head.chop(1);
    QString tail = path;
    while (tail.startsWith(QLatin1Char('/')))
        tail.remove(0, 1);
    url.setPath(head + QLatin1Char('/') + tail, QUrl::TolerantMode);
    return url;
}

QString canonicalPath(const QString& path) {
    if (path.isEmpty())
        return {};
    QString cleaned = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (cleaned.size() > 1 && cleaned.endsWith(QLatin1Char('/')))
        cleaned.chop(1);
    return cleaned;
}

} // namespace Url
