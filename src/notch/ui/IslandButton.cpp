#include "notch/ui/IslandButton.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "views/kit/Animator.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr double padX = 13, padY = 7;
constexpr double glyph = 12, gap = 5, indicator = 7;

QColor white(double opacity) { return QColor::fromRgbF(1, 1, 1, static_cast<float>(opacity)); }
} // namespace

IslandButton::IslandButton(Kind kind, const QString& title, QWidget* parent) : QAbstractButton(parent), kind_(kind) {
    setText(title);
    setFont(Fonts::system(12, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    pressMotion_ = new SpringValue(
        this, 0,
        [this](double value) {
            press_ = value;
            update();
        },
        0.25, 0.7);
    connect(this, &QAbstractButton::pressed, this, [this] { pressMotion_->setTarget(1); });
    connect(this, &QAbstractButton::released, this, [this] { pressMotion_->setTarget(0); });
}

void IslandButton::setSymbol(const QString& name) {
    symbol_ = name;
    updateGeometry();
    update();
}

void IslandButton::setMenuIndicator(bool shown) {
    indicator_ = shown;
    updateGeometry();
    update();
}

double IslandButton::contentWidth() const {
    double width = QFontMetricsF(font()).horizontalAdvance(text());
    if (!symbol_.isEmpty())
        width += glyph + gap;
    if (indicator_)
        width += gap + indicator;
    return width;
}

QSize IslandButton::sizeHint() const {
    return QSize(static_cast<int>(std::ceil(contentWidth() + padX * 2)),
                 static_cast<int>(std::ceil(QFontMetricsF(font()).height() + padY * 2)));
}

void IslandButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF shape(QPointF(0, 0), QSizeF(sizeHint()));
    shape.moveCenter(QRectF(rect()).center());
    const double scale = 1 - 0.05 * press_;
    painter.translate(shape.center());
    painter.scale(scale, scale);
    painter.translate(-shape.center());

    QPainterPath capsule;
    capsule.addRoundedRect(shape, shape.height() / 2, shape.height() / 2);
    const bool enabled = isEnabled();
    switch (kind_) {
    case Kind::plain:
        break;
    case Kind::secondary:
        painter.fillPath(capsule, white(0.12));
        break;
    case Kind::primary:
        if (enabled)
            painter.fillPath(capsule, Palette::dark().accentGradient(shape));
        else
            painter.fillPath(capsule, white(0.10));
        break;
    }
    const QColor text = kind_ == Kind::plain ? white(0.6) : (enabled ? white(1) : white(0.4));
    double x = shape.center().x() - contentWidth() / 2;
    if (!symbol_.isEmpty()) {
        Symbols::paint(painter, QRectF(x, shape.center().y() - glyph / 2, glyph, glyph), symbol_, text, Qt::black);
        x += glyph + gap;
    }
    painter.setPen(text);
    const double textWidth = QFontMetricsF(font()).horizontalAdvance(this->text());
    painter.drawText(QRectF(x, shape.top(), textWidth + 1, shape.height()), Qt::AlignVCenter | Qt::AlignLeft,
                     this->text());
    if (indicator_) {
        x += textWidth + gap;
        const double cy = shape.center().y();
        painter.setPen(QPen(text, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(
            QPolygonF{QPointF(x, cy - 1.5), QPointF(x + indicator / 2, cy + 2), QPointF(x + indicator, cy - 1.5)});
    }
}
