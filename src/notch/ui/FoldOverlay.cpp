#include "notch/ui/FoldOverlay.h"

#include "model/Motion.h"
#include "platform/gui/X11Panel.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int margin = 60;           // room for the shadow around both rectangles
constexpr int blur = 22;             // the shadow's reach
constexpr int shadowDrop = 10;       // the shadow falls below the shape
constexpr int corner = 18;           // the rounding the shadow's picture is drawn with
constexpr int patch = blur + corner; // each side's fixed part when the shadow is stretched

// Three box blurs of the alpha channel come close to a Gaussian of the shadow's reach.
void blurAlpha(QImage& image, int radius) {
    const int w = image.width(), h = image.height();
    QList<int> line(std::max(w, h));
    for (int pass = 0; pass < 3; ++pass) {
        for (const bool rows : {true, false}) {
            const int length = rows ? w : h, count = rows ? h : w;
            for (int i = 0; i < count; ++i) {
                auto at = [&](int k) -> QRgb& {
                    return reinterpret_cast<QRgb*>(image.scanLine(rows ? i : k))[rows ? k : i];
                };
                int sum = 0;
                for (int k = -radius; k <= radius; ++k)
                    sum += qAlpha(at(std::clamp(k, 0, length - 1)));
                for (int k = 0; k < length; ++k) {
                    line[k] = sum / (2 * radius + 1);
                    sum += qAlpha(at(std::min(k + radius + 1, length - 1))) - qAlpha(at(std::max(k - radius, 0)));
                }
                for (int k = 0; k < length; ++k)
                    at(k) = qRgba(0, 0, 0, line[k]);
            }
        }
    }
}

// A blurred black rounded square whose middle row and column stretch to any size.
QImage shadowPicture() {
    QImage image(2 * patch + 2, 2 * patch + 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(QRectF(blur, blur, image.width() - 2 * blur, image.height() - 2 * blur), corner,
                                corner);
    }
    blurAlpha(image, blur / 3);
    return image;
}

// Draws `image` around `target` in eight pieces: corners unscaled (smaller on a small target),
// edges stretched along. The middle is left out: the shape's black body covers it.
void drawStretched(QPainter& painter, const QRectF& exact, const QImage& image) {
    // Whole pixels, so that neighbouring pieces neither gap nor overlap.
    const QRectF target = exact.toAlignedRect();
    const double m = std::floor(std::min({double(patch), target.width() / 2, target.height() / 2}));
    const double s = image.width();
    const double xs[] = {target.left(), target.left() + m, target.right() - m, target.right()};
    const double ys[] = {target.top(), target.top() + m, target.bottom() - m, target.bottom()};
    const double us[] = {0, double(patch), s - patch, s};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            if (row != 1 || column != 1)
                painter.drawImage(QRectF(QPointF(xs[column], ys[row]), QPointF(xs[column + 1], ys[row + 1])), image,
                                  QRectF(QPointF(us[column], us[row]), QPointF(us[column + 1], us[row + 1])));
}

} // namespace

FoldOverlay::FoldOverlay(Morph morph, QPointer<QWidget> island)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput),
      morph_(std::move(morph)), island_(std::move(island)), area_(area(morph_.from, morph_.to)),
      shadow_(shadowPicture()) {
    setObjectName(QStringLiteral("fold"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(area_);
}

QRect FoldOverlay::area(const QRectF& from, const QRectF& to) {
    return from.united(to).adjusted(-margin, -margin, margin, margin).toAlignedRect();
}

void FoldOverlay::start(std::function<void()> finish) {
    finish_ = std::move(finish);
    // A compositor's shadow of it would be the box of the whole transparent overlay.
    create();
    X11Panel::prepare(windowHandle());
    show();
    // Growing out of the island, the overlay lies just below it.
    if (island_)
        island_->raise();
    if (Motion::instant()) {
        step(1);
        return;
    }
    const double rate = screen() && screen()->refreshRate() > 0 ? screen()->refreshRate() : 60;
    frames_.setTimerType(Qt::PreciseTimer);
    frames_.setInterval(std::max(1, int(std::lround(1000 / rate))));
    connect(&frames_, &QTimer::timeout, this,
            [this] { step(std::min(1.0, double(elapsed_.nsecsElapsed()) / 1e9 / IslandMorph::duration)); });
    elapsed_.start();
    frames_.start();
}

void FoldOverlay::step(double t) {
    const QRect before = bounds(t_);
    t_ = t;
    update(before.united(bounds(t_)));
    if (island_)
        island_->setWindowOpacity(
            IslandMorph::frame(morph_.from, morph_.to, morph_.a, morph_.b, morph_.closing, t).island);
    if (t < 1 || finished_)
        return;
    finished_ = true;
    frames_.stop();
    if (finish_)
        finish_();
    hide();
    deleteLater();
}

QRect FoldOverlay::bounds(double t) const {
    const auto f = IslandMorph::frame(morph_.from, morph_.to, morph_.a, morph_.b, morph_.closing, t);
    return f.rect.translated(-area_.topLeft())
        .adjusted(-blur - 2, -blur - 2, blur + 2, blur + shadowDrop + 2)
        .toAlignedRect();
}

void FoldOverlay::paint(QPainter& painter, double t) const {
    const auto f = IslandMorph::frame(morph_.from, morph_.to, morph_.a, morph_.b, morph_.closing, t);
    if (f.overlay <= 0)
        return;
    const QRectF rect = f.rect.translated(-area_.topLeft());
    const QPainterPath path = IslandMorph::outline(rect, f.outline);
    painter.save();
    if (f.shadow > 0) {
        // Blurred and stretched along its uniform middle, the shadow gains nothing from filtering.
        painter.setOpacity(f.overlay * f.shadow);
        drawStretched(painter, rect.adjusted(-blur, -blur + shadowDrop, blur, blur + shadowDrop), shadow_);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const bool picture = f.picture > 0 && !morph_.picture.isNull();
    // An opaque picture hides the body entirely: each pixel is blended once less.
    if (!picture || f.picture < 1) {
        painter.setOpacity(f.overlay);
        painter.fillPath(path, Qt::black);
    }
    if (picture) {
        // Fills the shape, cut at the sides it overflows, never stretched out of proportion.
        const QSizeF size = morph_.picture.deviceIndependentSize();
        const double scale = std::max(rect.width() / size.width(), rect.height() / size.height());
        const double ratio = morph_.picture.devicePixelRatio();
        // Within half a pixel of its own size the picture is copied, not filtered.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, std::abs(scale - 1) * size.width() > 0.5);
        QBrush brush(morph_.picture);
        brush.setTransform(QTransform::fromTranslate(rect.center().x() - size.width() * scale / 2,
                                                     rect.center().y() - size.height() * scale / 2)
                               .scale(scale / ratio, scale / ratio));
        painter.setOpacity(f.overlay * f.picture);
        painter.fillPath(path, brush);
    }
    if (f.border > 0 && morph_.borderAlpha > 0) {
        painter.setOpacity(f.overlay * f.border);
        painter.strokePath(path, QPen(QColor::fromRgbF(1, 1, 1, morph_.borderAlpha), 1));
    }
    painter.restore();
}

void FoldOverlay::paintEvent(QPaintEvent*) {
    {
        QPainter painter(this);
        paint(painter, t_);
    }
    if (!std::exchange(painted_, true))
        Q_EMIT firstFrame();
}
