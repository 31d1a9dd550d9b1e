#include "account/SiteLinks.h"

namespace SiteLinks {
namespace {
const QString base = QStringLiteral("https://quenlark.app");
} // namespace

const QUrl& terms() {
    static const QUrl url(base + QStringLiteral("/terms"));
    return url;
}

const QUrl& privacy() {
    static const QUrl url(base + QStringLiteral("/privacy"));
    return url;
}

const QUrl& feedback() {
    static const QUrl url(base + QStringLiteral("/feedback"));
    return url;
}

} // namespace SiteLinks
