#include "account/ui/AccountChipView.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "runtime/Clock.h"
#include "runtime/Observation.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr double padX = 9;
constexpr double chipHeight = 22;
constexpr double glyph = 12;
constexpr double gap = 4;
} // namespace

AccountChipView::AccountChipView(Store& store, Prefs& prefs, std::function<void()> openApp, QWidget* parent)
    : QAbstractButton(parent), store_(store), prefs_(prefs), openApp_(std::move(openApp)) {
    setFont(Fonts::system(11, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed); // the title is never cut
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (chip_)
            AccountChip::act(store_, chip_->kind, openApp_);
    });
    new Observer(this, [this] { refresh(); }, {});
}

void AccountChipView::refresh() {
    chip_ = AccountChip::choose(store_, prefs_, Clock::shared().now());
    setVisible(chip_.has_value());
    if (!chip_)
        return;
    setText(chip_->title);
    setAccessibleName(chip_->title);
    setAccessibleDescription(chip_->help);
    setToolTip(chip_->help);
    updateGeometry();
    update();
}

QColor AccountChipView::tint() const {
    if (!chip_)
        return QColor();
    return chip_->orange ? Palette::current().hue(Palette::Hue::orange) : chip_->tint;
}

QSize AccountChipView::sizeHint() const {
    const double textWidth = QFontMetricsF(font()).horizontalAdvance(text());
    return QSize(int(std::ceil(padX * 2 + glyph + gap + textWidth)), int(chipHeight));
}

void AccountChipView::paintEvent(QPaintEvent*) {
    if (!chip_)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = tint();
    QColor fill = ink;
    fill.setAlphaF(0.16f);
    const QRectF box(rect());
    QPainterPath capsule;
    capsule.addRoundedRect(box, box.height() / 2, box.height() / 2);
    painter.fillPath(capsule, fill);
    if (isDown())
        painter.fillPath(capsule, QColor::fromRgbF(0, 0, 0, 0.08f));
    Symbols::paint(painter, QRectF(padX, (chipHeight - glyph) / 2, glyph, glyph), chip_->symbol, ink);
    painter.setPen(ink);
    painter.drawText(QRectF(padX + glyph + gap, 0, width() - padX * 2 - glyph - gap + 1, chipHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
}
