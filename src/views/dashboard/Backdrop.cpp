#include "views/dashboard/Backdrop.h"

#include "runtime/Observation.h"
#include "views/kit/FrameObserver.h"
#include "views/kit/Animator.h"
#include "views/dashboard/DashboardModel.h"

#include <QPainter>

#include <cmath>

namespace {
QColor mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

} // namespace

Backdrop::Backdrop(Store& store, QWidget* parent)
    : QWidget(parent), store_(store), from_(DashboardModel::mood(store)), to_(from_) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    motion_ = new SpringValue(this, 1, [this](double v) {
        blend_ = v;
        update();
    });
    new FrameObserver(
        this, [this] { follow(); }, [] {});
}

void Backdrop::follow() {
    const Palette::Tint mood = DashboardModel::mood(store_);
    if (mood == to_)
        return;
    // A change mid-way starts from the nearer of the two tints.
    from_ = blend_ < 0.5 ? from_ : to_;
    to_ = mood;
    motion_->setValue(0);
    motion_->setTarget(1);
}

QColor Backdrop::tint() const {
    const Palette& palette = Palette::current();
    return mix(palette.tint(from_), palette.tint(to_), blend_);
}

void Backdrop::paintEvent(QPaintEvent*) {
    // The wash is laid over the window colour here, so each pixel is painted once, opaque, and
    // below the wash the window colour alone: a translucent wash over a fill would blend every
    // pixel of every region the dashboard repaints.
    const QColor ground = Palette::current().window();
    const QColor mood = tint();
    QLinearGradient wash(QPointF(width() / 2.0, 0), QPointF(width() / 2.0, height() * 0.55));
    wash.setColorAt(0, mix(ground, mood, 0.22));
    wash.setColorAt(0.5, mix(ground, mood, 0.04));
    wash.setColorAt(1, ground);
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const int washEnd = static_cast<int>(std::ceil(height() * 0.55));
    painter.fillRect(QRect(0, 0, width(), washEnd), wash);
    painter.fillRect(QRect(0, washEnd, width(), height() - washEnd), ground);
}
