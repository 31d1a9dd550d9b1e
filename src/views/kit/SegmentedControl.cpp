#include "views/kit/SegmentedControl.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "views/kit/FocusRing.h"
#include "views/kit/Animator.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {
constexpr double controlHeight = 24, inset = 2, radius = 6, padX = 12;
}

SegmentedControl::SegmentedControl(const QStringList& segments, const QString& accessibleName, QWidget* parent,
                                   std::function<Palette()> palette)
    : QWidget(parent), segments_(segments), palette_(std::move(palette)) {
    setAccessibleName(accessibleName);
    setFont(Fonts::system(12, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Never by a click: the window's content keeps the arrow keys.
    setFocusPolicy(Qt::TabFocus);
    motion_ = new SpringValue(this, 0, [this](double value) {
        plate_ = value;
        update();
    });
}

void SegmentedControl::setCurrent(int index) {
    if (index < 0 || index >= segments_.size() || index == current_)
        return;
    current_ = index;
    if (isVisible())
        motion_->setTarget(index);
    else
        motion_->setValue(index);
    update();
}

void SegmentedControl::choose(int index) {
    if (index < 0 || index >= segments_.size() || index == current_)
        return;
    setCurrent(index);
    Q_EMIT activated(index);
}

QSize SegmentedControl::sizeHint() const {
    const QFontMetricsF metrics(font());
    double widest = 0;
    for (const QString& text : segments_)
        widest = std::max(widest, metrics.horizontalAdvance(text));
    return QSize(int(std::ceil((widest + 2 * padX) * double(segments_.size()) + 2 * inset)), int(controlHeight));
}

QRectF SegmentedControl::segment(double index) const {
    const QRectF track = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    const double width = track.width() / double(std::max<qsizetype>(segments_.size(), 1));
    return QRectF(track.left() + index * width, track.top(), width, track.height());
}

void SegmentedControl::paintEvent(QPaintEvent*) {
    const Palette palette = palette_ ? palette_() : Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1 : 0.45);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(track, radius, radius);
    painter.fillPath(outline, palette.primary(0.1));
    // Thin separators between segments the plate does not touch.
    painter.setPen(QPen(palette.primary(0.16), 1));
    for (int i = 1; i < segments_.size(); ++i)
        if (std::abs(plate_ - i) >= 1 && std::abs(plate_ - (i - 1)) >= 1) {
            const double x = std::round(segment(i).left()) + 0.5;
            painter.drawLine(QPointF(x, track.top() + 6), QPointF(x, track.bottom() - 6));
        }
    if (current_ >= 0) {
        QPainterPath plate;
        plate.addRoundedRect(segment(plate_), radius - inset, radius - inset);
        painter.fillPath(plate.translated(0, 0.5), QColor(0, 0, 0, 40));
        painter.fillPath(plate, palette.isDark() ? QColor(255, 255, 255, 64) : QColor(Qt::white));
    }
    painter.setFont(font());
    for (int i = 0; i < segments_.size(); ++i) {
        painter.setPen(palette.primary(i == current_ ? 1 : 0.85));
        painter.drawText(segment(i), Qt::AlignCenter, segments_[i]);
    }
    if (hasFocus())
        FocusRing::paint(painter, outline, palette);
}

void SegmentedControl::mousePressEvent(QMouseEvent* event) {
    for (int i = 0; i < segments_.size(); ++i)
        if (segment(i).contains(event->position())) {
            choose(i);
            return;
        }
    QWidget::mousePressEvent(event);
}

void SegmentedControl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        choose(current_ + (event->key() == Qt::Key_Right ? 1 : -1));
        return;
    }
    QWidget::keyPressEvent(event);
}
