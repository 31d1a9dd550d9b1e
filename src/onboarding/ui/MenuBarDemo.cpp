#include "onboarding/ui/MenuBarDemo.h"

#include "app/MenuIcon.h"
#include "model/Motion.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "views/kit/Animator.h"
#include "views/kit/OnAppearance.h"
#include "views/kit/SoftShadow.h"

#include <QPainter>
#include <QPainterPath>

namespace {
QColor white(double opacity) { return QColor::fromRgbF(1, 1, 1, float(opacity)); }
} // namespace

MenuBarDemo::MenuBarDemo(int count, QIcon appIcon, QWidget* parent)
    : QWidget(parent), count_(count), appIcon_(std::move(appIcon)) {
    setFixedSize(388, 46);
    setAccessibleName(tr("Illustration: the Quenlark icon in the menu bar, next to Control Center, with a red badge "
                         "counting updates."));
    OnAppearance::follow(this, [this] {
        icon_ = QImage();
        update();
    });
    if (!Motion::reduced())
        breathing_ = Animator::loop(this, 1.2, QEasingCurve::InOutQuad, 0, 1, true, [this](double value) {
            glow_ = value;
            update();
        });
}

void MenuBarDemo::setCount(int count) {
    if (count == count_)
        return;
    count_ = count;
    icon_ = QImage();
    update();
}

void MenuBarDemo::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(rect()), 12, 12);
    p.setClipPath(frame);
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0, QColor::fromRgbF(0.16f, 0.16f, 0.16f));
    background.setColorAt(1, QColor::fromRgbF(0.09f, 0.09f, 0.09f));
    p.fillRect(rect(), background);
    const QRectF bar(0, 0, width(), 30);
    p.fillRect(bar, white(0.07));

    // Laid out from the right edge: the clock, Control Center, the icon, then the three symbols.
    const QColor ink = white(0.85);
    p.setFont(Fonts::system(13, QFont::Medium));
    const QString clock = tr("Wed 9:41");
    double right = bar.right() - 16;
    const double clockWidth = p.fontMetrics().horizontalAdvance(clock);
    p.setPen(ink);
    p.drawText(QRectF(right - clockWidth, bar.top(), clockWidth, bar.height()), Qt::AlignVCenter | Qt::AlignLeft,
               clock);
    right -= clockWidth + 15;
    const double symbol = 15;
    Symbols::paint(p, QRectF(right - symbol, bar.center().y() - symbol / 2, symbol, symbol), QStringLiteral("switch.2"),
                   ink);
    right -= symbol + 15;

    // The glow breathes at the display's pace; the icon under it stays the same.
    if (icon_.isNull() || icon_.devicePixelRatio() != devicePixelRatioF())
        icon_ = MenuIcon::image(count_, appIcon_, devicePixelRatioF());
    const QImage& icon = icon_;
    const QSizeF iconSize = icon.deviceIndependentSize();
    const QRectF chip(right - iconSize.width() - 10, bar.center().y() - iconSize.height() / 2 - 3,
                      iconSize.width() + 10, iconSize.height() + 6);
    const QRectF ring = chip.adjusted(-3, -3, 3, 3);
    const QColor accent = Palette::dark().accent();
    QColor shadow = accent;
    shadow.setAlphaF(float(0.5 + 0.4 * glow_));
    // The glow shows outside the ring only.
    QPainterPath outside;
    outside.addRect(rect());
    QPainterPath inside;
    inside.addRoundedRect(ring, 8, 8);
    p.save();
    p.setClipPath(outside.subtracted(inside));
    SoftShadow::paint(p, ring, 8, shadow, 3 + 4 * glow_, QPointF(0, 0));
    p.restore();
    QPainterPath chipShape;
    chipShape.addRoundedRect(chip, 6, 6);
    p.fillPath(chipShape, white(0.16));
    p.drawImage(QRectF(chip.left() + 5, chip.top() + 3, iconSize.width(), iconSize.height()), icon);
    p.setPen(QPen(accent, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(ring.adjusted(0.75, 0.75, -0.75, -0.75), 8, 8);
    right = chip.left() - 15;

    for (const QString& name :
         {QStringLiteral("magnifyingglass"), QStringLiteral("wifi"), QStringLiteral("battery.75percent")}) {
        Symbols::paint(p, QRectF(right - symbol, bar.center().y() - symbol / 2, symbol, symbol), name, ink);
        right -= symbol + 15;
    }
    p.setClipping(false);
    p.setPen(QPen(white(0.12), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
}
