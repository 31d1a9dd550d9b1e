#include "views/IconCache.h"

#include "platform/gui/BundleIcon.h"
#include "runtime/Blocking.h"
#include "runtime/MainThread.h"

#include <QHash>

namespace IconCache {

namespace {
QHash<QString, QPixmap>& cache() {
    static QHash<QString, QPixmap> icons;
    return icons;
}
} // namespace

QCoro::Task<QPixmap> icon(QString bundle) {
    QL_ASSERT_MAIN_THREAD();
    if (const auto hit = cache().constFind(bundle); hit != cache().constEnd())
        co_return *hit;
    auto work = [bundle] { return BundleIcon::read(bundle, decodedSize); };
    const QImage image = co_await Blocking::run(work, Blocking::Pool::Scan);
    const QPixmap pixmap = QPixmap::fromImage(image);
    cache().insert(bundle, pixmap);
    co_return pixmap;
}

void clearForTests() {
    cache().clear();
}

} // namespace IconCache
