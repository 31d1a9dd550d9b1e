#include "views/kit/AppIcon.h"

#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "runtime/Spawn.h"
#include "views/kit/IconCache.h"

#include <QPainter>
#include <QPixmapCache>
#include <QPointer>

namespace {
QCoro::Task<void> fetch(QPointer<AppIcon> view, QString bundle, int side, std::shared_ptr<int> generation, int expected,
                        std::function<void(QPixmap)> show) {
    QPixmap pixmap = co_await IconCache::icon(bundle, side);
    if (view && *generation == expected)
        show(std::move(pixmap));
}
} // namespace

AppIcon::AppIcon(QString bundle, int size, QWidget* parent) : QWidget(parent), bundle_(std::move(bundle)), size_(size) {
    setFixedSize(size, size);
    setAccessibleName(QString());
    load();
}

void AppIcon::setBundle(const QString& bundle) {
    if (bundle == bundle_)
        return;
    bundle_ = bundle;
    load();
}

void AppIcon::load() {
    const int expected = ++*generation_;
    // Scaled where it is decoded, off this thread, for the screen the icon is on now.
    asked_ = qRound(size_ * devicePixelRatioF());
    spawn(fetch(QPointer<AppIcon>(this), bundle_, asked_, generation_, expected,
                [this](QPixmap pixmap) {
                    image_ = std::move(pixmap);
                    shown_ = QPixmap();
                    update();
                }),
          "icon load");
}

void AppIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF box(0, 0, size_, size_);
    if (image_.isNull()) {
        PaintCache::fillRounded(painter, box, size_ * 0.22, Palette::current().quaternary());
        return;
    }
    // A repaint is a plain copy. The icon comes at its size; on a screen of another density it is
    // asked again at its size there, and meanwhile scaled here once per size and screen, the
    // scaled copy shared: a list rebuilt or regrouped makes new cards for icons already scaled.
    const qreal ratio = devicePixelRatioF();
    const int side = qRound(size_ * ratio);
    if (side != asked_)
        load();
    if (shown_.isNull() || shown_.width() != side || shown_.devicePixelRatio() != ratio) {
        const QString key = QStringLiteral("icon:%1:%2:%3").arg(image_.cacheKey()).arg(side).arg(ratio);
        if (image_.size() == QSize(side, side)) {
            shown_ = image_;
            shown_.setDevicePixelRatio(ratio);
        } else if (!QPixmapCache::find(key, &shown_)) {
            shown_ = image_.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            shown_.setDevicePixelRatio(ratio);
            QPixmapCache::insert(key, shown_);
        }
    }
    painter.drawPixmap(box.topLeft(), shown_);
}
