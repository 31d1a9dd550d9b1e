#include "views/dashboard/HealthRing.h"

#include "model/Motion.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "runtime/Observation.h"
#include "views/kit/FrameObserver.h"
#include "store/Store.h"
#include "views/kit/Animator.h"
#include "views/kit/WarmGlyphs.h"

#include <QPainter>
#include <QVariantAnimation>

namespace {
using HealthRingModel::lineWidth;

// The slice colour's gradient: a little lighter at the top.
QBrush gradient(const QColor& colour, const QRectF& box) {
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0, colour.lighter(118));
    g.setColorAt(1, colour);
    return g;
}

// Qt's arcs run counter-clockwise from three o'clock in sixteenths of a degree; the ring's
// turns run clockwise from the top.
void drawTurns(QPainter& painter, const QRectF& circle, double from, double to) {
    painter.drawArc(circle, static_cast<int>((90 - from * 360) * 16), static_cast<int>(-(to - from) * 360 * 16));
}
} // namespace

HealthRing::HealthRing(Store& store, QWidget* parent) : QWidget(parent), store_(store) {
    setFixedSize(sizeHint());
    motion_ = new SpringValue(this, 1, [this](double v) {
        blend_ = v;
        update();
    });
    symbolMotion_ = new SpringValue(this, 1, [this](double v) {
        symbolScale_ = v;
        update();
    });
    slices_ = HealthRingModel::slices(store_);
    from_ = HealthRingModel::fractions(slices_);
    centre_ = HealthRingModel::centre(store_);
    // Reading once per change: what follow() reads is what it tracks.
    new FrameObserver(
        this, [this] { follow(); }, [] {});
}

QList<double> HealthRing::shownFractions() const {
    QList<double> out;
    for (qsizetype i = 0; i < slices_.size(); ++i)
        out.append(from_.value(i) + (slices_[i].fraction - from_.value(i)) * blend_);
    return out;
}

void HealthRing::follow() {
    const auto slices = HealthRingModel::slices(store_);
    if (HealthRingModel::fractions(slices) != HealthRingModel::fractions(slices_)) {
        from_ = shownFractions();
        slices_ = slices;
        motion_->setValue(0);
        motion_->setTarget(1);
    } else {
        slices_ = slices;
    }
    const auto centre = HealthRingModel::centre(store_);
    // A symbol grows in from nothing when it takes the centre, or changes.
    if (centre.kind == HealthRingModel::Centre::Kind::symbol &&
        (centre_.kind != centre.kind || centre_.symbol != centre.symbol)) {
        symbolMotion_->setValue(0);
        symbolMotion_->setTarget(1);
    }
    centre_ = centre;
    setAccessibleName(HealthRingModel::accessibilityLabel(store_));
    arc_ = HealthRingModel::showsRefreshArc(store_, Motion::reduced());
    spin(arc_ && isVisible());
    update();
}

bool HealthRing::spinning() const { return spinning_ != nullptr; }

void HealthRing::spin(bool on) {
    if (on == spinning())
        return;
    if (!on) {
        spinning_->stop();
        spinning_ = nullptr;
        return;
    }
    // Each showing starts again from the top.
    spinning_ =
        Animator::loop(this, HealthRingModel::refreshArcPeriod, QEasingCurve::Linear, 0, 1, false, [this](double v) {
            turn_ = v;
            update();
        });
}

void HealthRing::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    spin(arc_);
    if (!warmed_) {
        warmed_ = true;
        WarmGlyphs::later(this,
                          {Fonts::system(HealthRingModel::progressSize, QFont::Bold),
                           Fonts::system(HealthRingModel::countSize, QFont::Bold)},
                          QStringLiteral("0123456789"));
    }
}

void HealthRing::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    spin(false);
}

void HealthRing::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    const QRectF circle = box.adjusted(lineWidth / 2, lineWidth / 2, -lineWidth / 2, -lineWidth / 2);

    const QColor track = palette.primary(0.08);
    PaintCache::place(painter, QStringLiteral("ring-track:%1,%2").arg(track.rgba(), 0, 16).arg(lineWidth), box,
                      [&](QPainter& into) {
                          into.setRenderHint(QPainter::Antialiasing);
                          into.setPen(QPen(track, lineWidth, Qt::SolidLine, Qt::FlatCap));
                          into.drawEllipse(circle);
                      });

    QList<HealthRingModel::Slice> shown = slices_;
    const QList<double> fractions = shownFractions();
    for (qsizetype i = 0; i < shown.size(); ++i)
        shown[i].fraction = fractions[i];
    for (int i = 0; i < shown.size(); ++i)
        if (const auto arc = HealthRingModel::arc(shown, i)) {
            painter.setPen(QPen(gradient(palette.tint(shown[i].hue), box), lineWidth, Qt::SolidLine, Qt::FlatCap));
            drawTurns(painter, circle, arc->start, arc->end);
        }

    if (arc_) {
        painter.setPen(QPen(palette.accent(), lineWidth, Qt::SolidLine, Qt::RoundCap));
        drawTurns(painter, circle, turn_, turn_ + HealthRingModel::refreshArcLength);
    }

    using Kind = HealthRingModel::Centre::Kind;
    const QColor colour = palette.tint(centre_.hue);
    if (centre_.kind == Kind::symbol) {
        const double side = centre_.pointSize * 1.15 * symbolScale_;
        if (side > 0.5) {
            painter.setOpacity(std::clamp(symbolScale_, 0.0, 1.0));
            Symbols::paint(painter, QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side),
                           centre_.symbol, colour, palette.window());
        }
        return;
    }
    painter.setFont(Fonts::system(centre_.pointSize, QFont::Bold));
    painter.setPen(colour);
    painter.drawText(box, Qt::AlignCenter, QString::number(centre_.number));
}
