#include "views/dashboard/Backdrop.h"

#include "runtime/Observation.h"
#include "views/kit/FrameObserver.h"
#include "views/kit/Animator.h"
#include "views/dashboard/DashboardModel.h"

#include <QPainter>

namespace {
QColor mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QColor withOpacity(QColor colour, double opacity) {
    colour.setAlphaF(static_cast<float>(opacity));
    return colour;
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
    QPainter painter(this);
    painter.fillRect(rect(), Palette::current().window());
    const QColor mood = tint();
    QLinearGradient wash(QPointF(width() / 2.0, 0), QPointF(width() / 2.0, height() * 0.55));
    wash.setColorAt(0, withOpacity(mood, 0.22));
    wash.setColorAt(0.5, withOpacity(mood, 0.04));
    wash.setColorAt(1, withOpacity(mood, 0));
    painter.fillRect(rect(), wash);
}
