#include "views/kit/IconCache.h"

#include "platform/gui/BundleIcon.h"
#include "runtime/Blocking.h"
#include "runtime/MainThread.h"

#include <QCoreApplication>
#include <QHash>
#include <QRunnable>
#include <QTimer>

#include <coroutine>
#include <memory>
#include <vector>

namespace IconCache {

namespace {
QHash<QString, QPixmap>& cache() {
    static QHash<QString, QPixmap> icons;
    return icons;
}

QString keyOf(const QString& bundle, int side) { return QString::number(side) + QLatin1Char(':') + bundle; }

// One miss, waiting in its suspended frame for its picture.
struct Request {
    QString bundle;
    int side = 0; // as decoded
    QImage image;
    std::coroutine_handle<> handle;
};

// The misses of one event-loop turn. A list's new cards ask for their icons together; one pooled
// job reads them all, instead of one job and one woken thread per card.
std::vector<Request*>& pending() {
    static std::vector<Request*> requests;
    return requests;
}

void flush() {
    auto batch = std::make_shared<std::vector<Request*>>();
    batch->swap(pending());
    Blocking::pool(Blocking::Pool::Scan).start(QRunnable::create([batch] {
        QHash<QString, QImage> read;
        for (Request* request : *batch) {
            auto known = read.constFind(request->bundle);
            if (known == read.constEnd())
                known = read.insert(request->bundle, BundleIcon::read(request->bundle, decodedSize));
            const QSize wanted(request->side, request->side);
            request->image = request->side > 0 && known->size() != wanted
                                 ? known->scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 : *known;
        }
        for (Request* request : *batch)
            Blocking::detail::finishFlight(request->handle);
    }));
}

class Miss {
public:
    Miss(QString bundle, int side) {
        request_.bundle = std::move(bundle);
        request_.side = side;
    }

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> handle) {
        request_.handle = handle;
        Blocking::detail::beginFlight();
        if (pending().empty())
            QTimer::singleShot(0, QCoreApplication::instance(), flush);
        pending().push_back(&request_);
    }

    QImage await_resume() { return std::move(request_.image); }

private:
    Request request_;
};
} // namespace

QCoro::Task<QPixmap> icon(QString bundle, int side) {
    QL_ASSERT_MAIN_THREAD();
    const QString key = keyOf(bundle, side);
    if (const auto hit = cache().constFind(key); hit != cache().constEnd())
        co_return *hit;
    const QImage image = co_await Miss(bundle, side);
    // Asked twice before the first answer, the bundle is read twice; the first copy stays.
    if (const auto hit = cache().constFind(key); hit != cache().constEnd())
        co_return *hit;
    const QPixmap pixmap = QPixmap::fromImage(image);
    cache().insert(key, pixmap);
    co_return pixmap;
}

void clearForTests() { cache().clear(); }

} // namespace IconCache
