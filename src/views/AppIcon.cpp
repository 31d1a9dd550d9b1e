#include "views/AppIcon.h"

#include "platform/gui/Palette.h"
#include "runtime/Spawn.h"
#include "views/IconCache.h"

#include <QPainter>
#include <QPainterPath>
#include <QPointer>

namespace {
QCoro::Task<void> fetch(QPointer<AppIcon> view, QString bundle, std::shared_ptr<int> generation, int expected,
                        std::function<void(QPixmap)> show) {
    QPixmap pixmap = co_await IconCache::icon(bundle);
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
    spawn(fetch(QPointer<AppIcon>(this), bundle_, generation_, expected, [this](QPixmap pixmap) {
        image_ = std::move(pixmap);
        update();
    }), "icon load");
}

void AppIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0, 0, size_, size_);
    if (!image_.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(box, image_, QRectF(image_.rect()));
        return;
    }
    QPainterPath placeholder;
    placeholder.addRoundedRect(box, size_ * 0.22, size_ * 0.22);
    painter.fillPath(placeholder, Palette::current().quaternary());
}
