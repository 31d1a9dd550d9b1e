#include "views/kit/SegmentedPicker.h"

#include "platform/gui/Palette.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>

namespace {

constexpr int inset = 2;

// One segment: its title, raised on a pill while chosen.
class Segment final : public QAbstractButton {
public:
    Segment(const QString& title, QWidget* parent) : QAbstractButton(parent) {
        setText(title);
        setCheckable(true);
        setAutoExclusive(true);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {metrics.horizontalAdvance(text()) + 24, metrics.height() + 8};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const Palette& palette = Palette::current();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (!isEnabled())
            painter.setOpacity(0.45);
        const QRectF pill = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (isChecked()) {
            painter.setPen(QPen(palette.primary(0.1), 0.8));
            painter.setBrush(palette.isDark() ? QColor(99, 99, 104) : QColor(255, 255, 255));
            painter.drawRoundedRect(pill, 5, 5);
        } else if (isDown()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(palette.primary(0.08));
            painter.drawRoundedRect(pill, 5, 5);
        }
        if (hasFocus()) {
            QColor ring = palette.accent();
            ring.setAlphaF(0.6f);
            painter.setPen(QPen(ring, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(pill, 5, 5);
        }
        painter.setPen(palette.text());
        painter.drawText(rect(), Qt::AlignCenter, fontMetrics().elidedText(text(), Qt::ElideRight, width() - 8));
    }
};

} // namespace

SegmentedPicker::SegmentedPicker(const QStringList& titles, QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(inset, inset, inset, inset);
    row->setSpacing(0);
    for (qsizetype i = 0; i < titles.size(); ++i) {
        auto* segment = new Segment(titles[i], this);
        segments_.append(segment);
        row->addWidget(segment);
        connect(segment, &QAbstractButton::clicked, this, [this, index = int(i)] {
            if (index == current_)
                return;
            current_ = index;
            update();
            Q_EMIT chosen(index);
        });
    }
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SegmentedPicker::setCurrent(int index) {
    current_ = index >= 0 && index < segments_.size() ? index : -1;
    for (qsizetype i = 0; i < segments_.size(); ++i) {
        // An exclusive group keeps one segment checked; lift that for "none".
        segments_[i]->setAutoExclusive(current_ >= 0);
        segments_[i]->setChecked(i == current_);
        segments_[i]->setAutoExclusive(true);
    }
    update();
}

void SegmentedPicker::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette.primary(0.08));
    painter.drawRoundedRect(QRectF(rect()), 7, 7);
    // Hairlines between two segments that are both unchosen, as a track of plain segments shows.
    painter.setPen(QPen(palette.primary(0.15), 1));
    for (qsizetype i = 1; i < segments_.size(); ++i) {
        if (i == current_ || i - 1 == current_)
            continue;
        const int x = segments_[i]->geometry().left();
        painter.drawLine(QPointF(x, inset + 5), QPointF(x, height() - inset - 5));
    }
}
