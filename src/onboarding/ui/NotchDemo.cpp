#include "onboarding/ui/NotchDemo.h"

#include "model/Motion.h"
#include "model/Spring.h"
#include "onboarding/ui/WelcomeColors.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "views/kit/Animator.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

double mix(double a, double b, double t) { return a + (b - a) * t; }

} // namespace

NotchDemo::NotchDemo(QWidget* parent) : QWidget(parent) {
    since_.start();
    setAccessibleName(
        tr("Illustration: the Quenlark panel drops out of the notch with three updates, and one installs."));
    if (!::Motion::reduced())
        Animator::loop(this, 1, QEasingCurve::Linear, 0, 1, false, [this](double) { update(); });
}

void NotchDemo::holdAt(double seconds) {
    held_ = seconds;
    update();
}

double NotchDemo::seconds() const { return held_ >= 0 ? held_ : since_.elapsed() / 1000.0; }

NotchDemoTimeline::State NotchDemo::state() const { return frame().state; }

NotchDemoTimeline::Frame NotchDemo::frame() const {
    return ::Motion::reduced() ? NotchDemoTimeline::reducedFrame() : NotchDemoTimeline::frameAt(seconds());
}

QPixmap NotchDemo::background() const {
    const double ratio = devicePixelRatioF();
    if (!background_.isNull() && background_.size() == size() * ratio && background_.devicePixelRatio() == ratio)
        return background_;
    QPixmap made(size() * ratio);
    made.setDevicePixelRatio(ratio);
    made.fill(Qt::transparent);
    QPainter p(&made);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF desk = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath deskShape;
    deskShape.addRoundedRect(desk, 22, 22);
    QLinearGradient deskFill(desk.topLeft(), desk.bottomLeft());
    deskFill.setColorAt(0, QColor::fromRgbF(0.16f, 0.16f, 0.16f));
    deskFill.setColorAt(1, QColor::fromRgbF(0.09f, 0.09f, 0.09f));
    p.fillPath(deskShape, deskFill);
    p.setClipPath(deskShape);

    // The menu bar.
    const QColor bar = WelcomeColors::white(0.7);
    p.setFont(Fonts::system(11));
    double x = desk.left() + 18;
    const double barMiddle = desk.top() + 13;
    Symbols::paint(p, QRectF(x, barMiddle - 6, 12, 12), QStringLiteral("apple.logo"), bar);
    x += 12 + 14;
    p.setPen(bar);
    for (const QString& word : {tr("Finder"), tr("File"), tr("Edit"), tr("View")}) {
        QFont font = Fonts::system(11, word == tr("Finder") ? QFont::DemiBold : QFont::Normal);
        p.setFont(font);
        const double w = QFontMetricsF(font).horizontalAdvance(word);
        p.drawText(QRectF(x, desk.top(), w + 1, 26), Qt::AlignVCenter | Qt::AlignLeft, word);
        x += w + 14;
    }
    p.setFont(Fonts::system(11));
    const double clock = QFontMetricsF(p.font()).horizontalAdvance(QStringLiteral("9:41"));
    double right = desk.right() - 18 - clock;
    p.drawText(QRectF(right, desk.top(), clock + 1, 26), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("9:41"));
    right -= 14 + 12;
    Symbols::paint(p, QRectF(right, barMiddle - 6, 12, 12), QStringLiteral("wifi"), bar);
    right -= 14 + 12;
    Symbols::paint(p, QRectF(right, barMiddle - 6, 12, 12), QStringLiteral("arrow.down.app"), bar);
    p.end();
    background_ = made;
    return background_;
}

void NotchDemo::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, background());
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF desk = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.save();
    // The panel stays far from the desk's rounded corners: its edges are clip enough.
    p.setClipRect(rect());

    // The panel, each of its changes on its way from where it was.
    const NotchDemoTimeline::Frame frame = this->frame();
    const NotchDemoTimeline::State& target = frame.state;
    const double open = frame.open;
    const double width = mix(120, 330, open);
    const QRectF panel(desk.center().x() - width / 2, desk.top(), width, frame.height);
    const double corner = mix(10, 20, open);
    if (open > 0.01) {
        for (int i = 14; i > 0; i -= 2) {
            QPainterPath ring;
            ring.addRoundedRect(panel.translated(0, 6).adjusted(-i / 2.0, -i / 2.0, i / 2.0, i / 2.0), corner, corner);
            p.fillPath(ring, QColor::fromRgbF(0, 0, 0, float(0.5 * open * 0.1)));
        }
    }
    QPainterPath shape;
    shape.moveTo(panel.topLeft());
    shape.lineTo(panel.topRight());
    shape.lineTo(panel.right(), panel.bottom() - corner);
    shape.quadTo(panel.right(), panel.bottom(), panel.right() - corner, panel.bottom());
    shape.lineTo(panel.left() + corner, panel.bottom());
    shape.quadTo(panel.left(), panel.bottom(), panel.left(), panel.bottom() - corner);
    shape.closeSubpath();
    p.fillPath(shape, Qt::black);
    if (open > 0.5) {
        p.setClipPath(shape, Qt::IntersectClip);
        p.setOpacity(std::clamp((open - 0.5) * 2, 0.0, 1.0));
        const QRectF inner = panel.adjusted(14, 26 + 6, -14, -12);
        p.setPen(Qt::white);
        p.setFont(Fonts::system(12, QFont::DemiBold));
        p.drawText(QRectF(inner.left(), inner.top(), 200, 18), Qt::AlignLeft | Qt::AlignVCenter, tr("3 updates ready"));
        QFont small = Fonts::system(10.5, QFont::DemiBold);
        p.setFont(small);
        const QString all = tr("Update All");
        const double allWidth = QFontMetricsF(small).horizontalAdvance(all) + 18;
        const QRectF allBox(inner.right() - allWidth, inner.top(), allWidth, 18);
        QPainterPath allShape;
        allShape.addRoundedRect(allBox, 9, 9);
        p.fillPath(allShape, WelcomeColors::blue());
        p.drawText(allBox, Qt::AlignCenter, all);
        const double shown = p.opacity();
        const QColor colours[] = {QColor(255, 149, 0), Palette::dark().hue(Palette::Hue::blue), QColor(255, 45, 85)};
        const auto& apps = NotchDemoTimeline::apps();
        for (int i = 0; i < 3 && i < apps.size(); ++i) {
            if (frame.rows[i] <= 0)
                continue;
            // A row fades in while it slides down 6 into its place.
            p.setOpacity(shown * frame.rows[i]);
            const QRectF row(inner.left(), inner.top() + 24 + i * 36 + frame.rowOffset(i), inner.width(), 30);
            QPainterPath rowShape;
            rowShape.addRoundedRect(row, 8, 8);
            p.fillPath(rowShape, WelcomeColors::white(0.06));
            QPainterPath icon;
            icon.addRoundedRect(QRectF(row.left() + 8, row.center().y() - 10, 20, 20), 5, 5);
            p.fillPath(icon, colours[i]);
            p.setPen(Qt::white);
            p.setFont(Fonts::system(11.5, QFont::DemiBold));
            const double nameWidth = QFontMetricsF(p.font()).horizontalAdvance(apps[i].name);
            p.drawText(QRectF(row.left() + 36, row.top(), nameWidth + 1, 30), Qt::AlignVCenter | Qt::AlignLeft,
                       apps[i].name);
            p.setFont(Fonts::system(10));
            p.setPen(WelcomeColors::white(0.6));
            p.drawText(QRectF(row.left() + 44 + nameWidth, row.top(), 120, 30), Qt::AlignVCenter | Qt::AlignLeft,
                       apps[i].installed + QStringLiteral(" \u2192 ") + apps[i].available);
            const QRectF slot(row.right() - 8 - 56, row.top(), 56, 30);
            if (i == 0 && target.done) {
                // The check mark scales in from nothing about its centre as it fades in.
                const QRectF mark(slot.right() - 16, slot.center().y() - 8, 16, 16);
                p.save();
                p.setOpacity(p.opacity() * std::clamp(frame.check, 0.0, 1.0));
                p.translate(mark.center());
                p.scale(std::max(frame.check, 0.00001), std::max(frame.check, 0.00001));
                p.translate(-mark.center());
                const QColor green = Palette::dark().hue(Palette::Hue::green);
                Symbols::paint(p, mark, QStringLiteral("checkmark.circle.fill"), green);
                p.restore();
            } else if (i == 0 && target.progress > 0) {
                const double fill = frame.fill;
                const QRectF track(slot.right() - 50, slot.center().y() - 2.5, 50, 5);
                QPainterPath trackShape;
                trackShape.addRoundedRect(track, 2.5, 2.5);
                p.fillPath(trackShape, WelcomeColors::white(0.15));
                QPainterPath bar;
                bar.addRoundedRect(QRectF(track.left(), track.top(), 50 * fill, 5), 2.5, 2.5);
                p.fillPath(bar, WelcomeColors::blue());
            } else {
                QFont label = Fonts::system(9.5, QFont::DemiBold);
                p.setFont(label);
                const double w = QFontMetricsF(label).horizontalAdvance(tr("Update")) + 14;
                const QRectF box(slot.right() - w, slot.center().y() - 8, w, 16);
                QPainterPath capsule;
                capsule.addRoundedRect(box, 8, 8);
                QColor fill = WelcomeColors::blue();
                fill.setAlphaF(0.9f);
                p.fillPath(capsule, fill);
                p.setPen(Qt::white);
                p.drawText(box, Qt::AlignCenter, tr("Update"));
            }
        }
    }
    p.restore();
}
