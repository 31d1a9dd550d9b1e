#include "views/kit/ElidedLabel.h"

#include "views/kit/TextSelection.h"

#include <QEvent>
#include <QResizeEvent>
#include <QPainter>
#include <QTextCharFormat>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {
// The lines `text` wraps into at `width`, at most `limit + 1` of them.
QStringList wrap(const QString& text, const QFont& font, double width, int limit) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList result;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        result << text.mid(line.textStart(), line.textLength());
        if (result.size() > limit)
            break;
    }
    layout.endLayout();
    return result;
}

// One drawn line, laid out for drawing with a selection and for finding positions in it.
void layOutLine(QTextLayout& layout) {
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setLineWidth(1e6);
        line.setPosition(QPointF(0, 0));
    }
    layout.endLayout();
}

QString cut(const QString& text, int keep, Qt::TextElideMode mode) {
    const QChar ellipsis(0x2026);
    if (mode == Qt::ElideMiddle)
        return text.left((keep + 1) / 2) + ellipsis + text.right(keep / 2);
    return text.left(keep) + ellipsis;
}
} // namespace

ElidedLabel::ElidedLabel(QString text, Qt::TextElideMode mode, int maxLines, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), mode_(mode), maxLines_(std::max(1, maxLines)) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(maxLines_ > 1);
    setSizePolicy(policy);
}

void ElidedLabel::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    fits_.clear();
    advance_ = -1;
    updateGeometry();
    update();
}

void ElidedLabel::setColor(const Palette::Ink& ink) {
    ink_ = ink;
    update();
}

void ElidedLabel::setSelectable() {
    if (selection_)
        return;
    TextSelection::Text text;
    text.positionAt = [this](const QPointF& point) { return positionAt(point); };
    text.length = [this] { return static_cast<int>(shown().size()); };
    text.copied = [this](int from, int to) {
        const int begin = original(from);
        return text_.mid(begin, original(to) - begin);
    };
    selection_ = new TextSelection(this, std::move(text));
}

QString ElidedLabel::shown() const { return lines(width()).join(QString()); }

int ElidedLabel::original(int shownPosition) const {
    const QString drawn = shown();
    if (drawn == text_)
        return shownPosition;
    // The drawn text is a head of the text, "…", then a tail of it.
    qsizetype head = 0;
    while (head < drawn.size() && head < text_.size() && drawn.at(head) == text_.at(head))
        ++head;
    if (shownPosition <= head)
        return shownPosition;
    return static_cast<int>(std::max(head, text_.size() - (drawn.size() - shownPosition)));
}

int ElidedLabel::positionAt(const QPointF& point) const {
    const QStringList drawn = lines(width());
    const QFontMetricsF metrics(font());
    const auto index = std::clamp<qsizetype>(static_cast<qsizetype>(std::floor(point.y() / metrics.lineSpacing())), 0,
                                             std::max<qsizetype>(0, drawn.size() - 1));
    int before = 0;
    for (qsizetype i = 0; i < index; ++i)
        before += static_cast<int>(drawn.at(i).size());
    if (drawn.isEmpty())
        return 0;
    QTextLayout layout(drawn.at(index), font());
    layOutLine(layout);
    return before + layout.lineAt(0).xToCursor(point.x());
}

QStringList ElidedLabel::lines(int width) const {
    if (const auto found = fits_.constFind(width); found != fits_.constEnd())
        return *found;
    // A window dragged wider passes through many widths; only the last few matter.
    if (fits_.size() >= 8)
        fits_.clear();
    return *fits_.insert(width, fit(width));
}

QStringList ElidedLabel::fit(int width) const {
    const QFontMetricsF metrics(font());
    if (maxLines_ == 1)
        return {metrics.elidedText(text_, mode_, width)};
    QStringList whole = wrap(text_, font(), width, maxLines_);
    if (whole.size() <= maxLines_)
        return whole;
    // The most characters that still fit with the ellipsis.
    int low = 0, high = static_cast<int>(text_.size());
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (wrap(cut(text_, middle, mode_), font(), width, maxLines_).size() <= maxLines_)
            low = middle;
        else
            high = middle - 1;
    }
    return wrap(cut(text_, low, mode_), font(), width, maxLines_);
}

bool ElidedLabel::elided() const { return lines(width()).join(QString()) != text_; }

QSize ElidedLabel::sizeHint() const {
    const QFontMetricsF metrics(font());
    // Before a layout places it, the width it has is a made-up one: counting its lines there
    // would be wasted, and drawn lines are fitted at the widths given.
    int height = static_cast<int>(std::ceil(metrics.height()));
    if (maxLines_ > 1 && width() > 0 && testAttribute(Qt::WA_Resized)) {
        const auto fitted = fits_.constFind(width());
        const qsizetype count = fitted != fits_.constEnd()
                                    ? fitted->size()
                                    : std::min<qsizetype>(wrap(text_, font(), width(), maxLines_).size(), maxLines_);
        height = static_cast<int>(std::ceil(metrics.lineSpacing() * std::max<qsizetype>(1, count)));
    }
    // Layouts take no width from a label whose width they ignore: measuring it would shape the
    // whole text for nothing.
    if (sizePolicy().horizontalPolicy() == QSizePolicy::Ignored)
        return QSize(minimumSizeHint().width(), height);
    if (advance_ < 0)
        advance_ = metrics.horizontalAdvance(text_);
    return QSize(static_cast<int>(std::ceil(advance_)) + 1, height);
}

QSize ElidedLabel::minimumSizeHint() const {
    const QFontMetricsF metrics(font());
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(QStringLiteral("W…W")))),
                 static_cast<int>(std::ceil(metrics.height())));
}

int ElidedLabel::heightForWidth(int width) const {
    const QFontMetricsF metrics(font());
    const auto count = std::max<qsizetype>(1, lines(width).size());
    return static_cast<int>(std::ceil(metrics.lineSpacing() * count));
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor colour = ink_.colour();
    painter.setPen(colour.isValid() ? colour : palette().color(QPalette::WindowText));
    if (selection_) {
        paintSelectable(painter);
        return;
    }
    // Each line is shaped once and its glyphs kept: cards repaint their labels far more often
    // than the texts change.
    const QStringList drawn = lines(width());
    if (staticLines_.size() != drawn.size() || staticFont_ != font())
        staticLines_.clear();
    staticFont_ = font();
    const QFontMetricsF metrics(font());
    double y = 0;
    for (qsizetype i = 0; i < drawn.size(); ++i) {
        if (staticLines_.size() <= i || staticLines_[i].text() != drawn[i]) {
            QStaticText line(drawn[i]);
            line.setTextFormat(Qt::PlainText);
            line.setPerformanceHint(QStaticText::AggressiveCaching);
            line.prepare(painter.transform(), font());
            if (staticLines_.size() <= i)
                staticLines_.append(line);
            else
                staticLines_[i] = line;
        }
        painter.drawStaticText(QPointF(0, y), staticLines_[i]);
        y += metrics.lineSpacing();
    }
}

void ElidedLabel::paintSelectable(QPainter& painter) {
    const QFontMetricsF metrics(font());
    QTextCharFormat highlight;
    highlight.setBackground(palette().color(QPalette::Highlight));
    highlight.setForeground(palette().color(QPalette::HighlightedText));
    const bool caret = hasFocus() && selection_->empty();
    int first = 0;
    double y = 0;
    for (const QString& line : lines(width())) {
        QTextLayout layout(line, font());
        layOutLine(layout);
        const int last = first + static_cast<int>(line.size());
        QList<QTextLayout::FormatRange> selected;
        const int from = std::max(selection_->start(), first), to = std::min(selection_->end(), last);
        if (from < to)
            selected.append({from - first, to - from, highlight});
        layout.draw(&painter, QPointF(0, y), selected);
        if (caret && selection_->position() >= first &&
            (selection_->position() < last || (selection_->position() == last && last == shown().size())))
            layout.drawCursor(&painter, QPointF(0, y), selection_->position() - first);
        first = last;
        y += metrics.lineSpacing();
    }
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A wrapping label asks for the height its lines need at the width it was given.
    if (maxLines_ > 1) {
        const auto count = lines(width()).size();
        if (count != shownLines_) {
            shownLines_ = count;
            updateGeometry();
        }
    }
}

void ElidedLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        fits_.clear();
        advance_ = -1;
        updateGeometry();
    }
    QWidget::changeEvent(event);
}
