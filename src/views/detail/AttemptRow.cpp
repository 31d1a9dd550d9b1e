#include "views/detail/AttemptRow.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "views/detail/LabelText.h"
#include "views/kit/ElidedLabel.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
// The symbol, lined up with the first line of text, in a frame of its own; the texts beside it.
constexpr double glyph = 13;
constexpr int frame = 16;
constexpr int textsLeft = frame + 9;
constexpr int gap = 3;
} // namespace

AttemptRow::AttemptRow(const Attempt& attempt, QWidget* parent)
    : QWidget(parent), model_(AttemptRowModel::row(attempt)) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    const QFont callout = Fonts::font(Fonts::Role::callout);
    sourceFont_ = callout;
    sourceFont_.setWeight(QFont::Medium);
    foundFont_ = callout;
    foundFont_.setWeight(QFont::DemiBold);
    lineFont_ = Fonts::caption();
    source_ = LabelText::size(sourceFont_, model_.source);
    if (model_.found)
        found_ = LabelText::size(foundFont_, *model_.found);
    if (model_.url) {
        url_ = new ElidedLabel(*model_.url, Qt::ElideMiddle, 2, this);
        url_->setFont(Fonts::monospaced(10.5));
        url_->setColor(Palette::Tint::secondary);
        url_->setToolTip(*model_.url);
        url_->setSelectable();
        // It takes the width the row leaves it: its natural width would be measured for nothing.
        QSizePolicy fill = url_->sizePolicy();
        fill.setHorizontalPolicy(QSizePolicy::Ignored);
        url_->setSizePolicy(fill);
    }
    setAccessibleName(model_.accessibility);
    if (model_.line)
        setAccessibleDescription(*model_.line);
}

int AttemptRow::headWidth() const { return source_.width() + (model_.found ? gap + found_.width() : 0); }

AttemptRow::Places AttemptRow::places(int width) const {
    if (const auto found = places_.constFind(width); found != places_.constEnd())
        return *found;
    const int texts = std::max(0, width - textsLeft);
    Places at;
    int y = std::max(source_.height(), found_.height());
    if (url_) {
        at.url = y + gap;
        y = at.url + url_->heightForWidth(texts);
    }
    if (model_.line) {
        at.line = y + gap;
        y = at.line + LabelText::height(lineFont_, *model_.line, texts);
    }
    at.height = std::max(y, static_cast<int>(std::ceil(glyph)));
    // A window dragged wider passes through many widths; only the last few matter.
    if (places_.size() >= 8)
        places_.clear();
    places_.insert(width, at);
    return at;
}

int AttemptRow::heightForWidth(int width) const { return places(width).height; }

QSize AttemptRow::sizeHint() const {
    // A line of each text: the height that counts is the one for the width the row gets. The
    // texts never change, so neither does this.
    if (!hint_.isValid()) {
        int width = headWidth();
        int height = std::max(source_.height(), found_.height());
        if (url_) {
            const QSize url = url_->sizeHint();
            width = std::max(width, url.width());
            height += gap + url.height();
        }
        if (model_.line)
            height += gap + QFontMetrics(lineFont_).height();
        hint_ = QSize(textsLeft + width, height);
    }
    return hint_;
}

QSize AttemptRow::minimumSizeHint() const {
    if (!minimum_.isValid())
        minimum_ = QSize(textsLeft + std::max(headWidth(), url_ ? url_->minimumSizeHint().width() : 0),
                         static_cast<int>(std::ceil(glyph)));
    return minimum_;
}

void AttemptRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (url_) {
        const int texts = std::max(0, width() - textsLeft);
        url_->setGeometry(textsLeft, places(width()).url, texts, url_->heightForWidth(texts));
    }
}

void AttemptRow::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    const QColor tint = palette.tint(model_.tint);
    QPainter painter(this);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    Symbols::paint(painter, QRectF(frame / 2.0 - glyph / 2, 0, glyph, glyph), model_.symbol, tint);
    painter.restore();

    const int texts = std::max(0, width() - textsLeft);
    const int head = std::max(source_.height(), found_.height());
    int sourceRoom = texts;
    if (model_.found) {
        const QRect found(width() - found_.width(), 0, found_.width(), head);
        LabelText::draw(painter, found, foundFont_, palette.text(), *model_.found);
        sourceRoom = std::max(0, texts - found_.width() - gap);
    }
    LabelText::draw(painter, QRect(textsLeft, 0, std::min(source_.width(), sourceRoom), head), sourceFont_,
                    palette.text(), model_.source);
    if (model_.line) {
        const Places at = places(width());
        const QRect line(textsLeft, at.line, texts, at.height - at.line);
        LabelText::draw(painter, line, lineFont_, model_.tint == Palette::Tint::red ? tint : palette.secondary(),
                        *model_.line, true);
    }
}
