#include "views/detail/StatusCard.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "views/detail/LabelText.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
// The symbol sits in a frame of its own at the top left, the title and the message beside it.
constexpr int margin = 14;
constexpr double glyph = 22;
constexpr int frame = 26;
constexpr int textsLeft = margin + frame + 12;
constexpr int gap = 3;

QFont titleFont() { return Fonts::headline(); }
QFont messageFont() { return Fonts::font(Fonts::Role::callout); }
} // namespace

StatusCard::StatusCard(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    title_ = LabelText::size(titleFont(), QString());
    setAccessibleName(QString());
}

void StatusCard::setCard(const StatusCardModel::Card& card) {
    if (card == card_)
        return;
    if (card.title != card_.title)
        title_ = LabelText::size(titleFont(), card.title);
    if (card.message != card_.message) {
        messageHeights_.clear();
        message_ = QSize();
    }
    card_ = card;
    setAccessibleName(card.title + QStringLiteral(", ") + card.message);
    updateGeometry();
    update();
}

int StatusCard::messageHeight(int width) const {
    if (const auto found = messageHeights_.constFind(width); found != messageHeights_.constEnd())
        return *found;
    if (messageHeights_.size() >= 8)
        messageHeights_.clear();
    return *messageHeights_.insert(width, LabelText::height(messageFont(), card_.message, width));
}

int StatusCard::heightForWidth(int width) const {
    const int texts = title_.height() + gap + messageHeight(std::max(0, width - textsLeft - margin));
    return margin + std::max(texts, static_cast<int>(std::ceil(glyph))) + margin;
}

QSize StatusCard::sizeHint() const {
    // The message on one line: the height that counts is the one for the width the card gets.
    if (!message_.isValid())
        message_ = LabelText::size(messageFont(), card_.message);
    const QSize message = message_;
    const int texts = title_.height() + gap + message.height();
    return QSize(textsLeft + std::max(title_.width(), message.width()) + margin,
                 margin + std::max(texts, static_cast<int>(std::ceil(glyph))) + margin);
}

QSize StatusCard::minimumSizeHint() const {
    return QSize(textsLeft + title_.width() + margin, margin + static_cast<int>(std::ceil(glyph)) + margin);
}

void StatusCard::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    const QColor tint = palette.tint(card_.tint);
    QColor fill = tint;
    fill.setAlphaF(0.11f);
    QColor edge = tint;
    edge.setAlphaF(0.25f);
    PaintCache::fillRounded(painter, QRectF(rect()), 12, fill, edge);
    painter.setRenderHint(QPainter::Antialiasing);
    Symbols::paint(painter, QRectF(margin + frame / 2.0 - glyph / 2, margin, glyph, glyph), card_.symbol, tint);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const int texts = std::max(0, width() - textsLeft - margin);
    LabelText::draw(painter, QRect(textsLeft, margin, texts, title_.height()), titleFont(), palette.text(),
                    card_.title);
    const int top = margin + title_.height() + gap;
    LabelText::draw(painter, QRect(textsLeft, top, texts, messageHeight(texts)), messageFont(), palette.secondary(),
                    card_.message, true);
}
