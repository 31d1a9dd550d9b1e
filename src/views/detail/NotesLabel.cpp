#include "views/detail/NotesLabel.h"

#include "platform/gui/Palette.h"
#include "views/detail/NotesText.h"
#include "views/kit/TextSelection.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextOption>

#include <algorithm>
#include <cmath>

NotesLabel::NotesLabel(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setMouseTracking(true);
    document_.setDocumentMargin(0);
    document_.setUndoRedoEnabled(false);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document_.setDefaultTextOption(option);

    TextSelection::Text text;
    text.positionAt = [this](const QPointF& point) {
        layOut(width());
        return document_.documentLayout()->hitTest(point, Qt::FuzzyHit);
    };
    text.length = [this] { return document_.characterCount() - 1; };
    text.copied = [this](int from, int to) {
        QTextCursor cursor(&document_);
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        return cursor.selection().toPlainText();
    };
    text.wordAt = [this](int position) {
        QTextCursor cursor(&document_);
        cursor.setPosition(position);
        cursor.select(QTextCursor::WordUnderCursor);
        return std::pair{cursor.selectionStart(), cursor.selectionEnd()};
    };
    selection_ = new TextSelection(this, std::move(text));
}

void NotesLabel::setNotes(const StyledText& text) {
    selection_->select(0, 0);
    document_.setDefaultFont(font());
    linkColour_ = Palette::current().accent();
    NotesText::write(document_, text, linkColour_);
    heights_.clear();
    laidOutWidth_ = -1;
    updateGeometry();
    update();
}

void NotesLabel::layOut(int width) const {
    if (width == laidOutWidth_)
        return;
    document_.setTextWidth(width);
    laidOutWidth_ = width;
}

int NotesLabel::heightForWidth(int width) const {
    if (const auto found = heights_.constFind(width); found != heights_.constEnd())
        return *found;
    layOut(width);
    const int height = static_cast<int>(std::ceil(document_.size().height()));
    heights_.insert(width, height);
    return height;
}

QSize NotesLabel::sizeHint() const {
    if (laidOutWidth_ > 0)
        return QSize(laidOutWidth_, heightForWidth(laidOutWidth_));
    // Layouts take the notes' height for the width they give them, never this one: a line per
    // paragraph stands in rather than a layout at a width the notes may never have.
    const int lines = std::max(1, document_.blockCount());
    return QSize(360, static_cast<int>(std::ceil(QFontMetricsF(font()).lineSpacing() * lines)));
}

QSize NotesLabel::minimumSizeHint() const { return QSize(80, fontMetrics().height()); }

void NotesLabel::paintEvent(QPaintEvent* event) {
    const Palette& colours = Palette::current();
    if (colours.accent() != linkColour_) {
        linkColour_ = colours.accent();
        NotesText::recolourLinks(document_, linkColour_);
    }
    layOut(width());
    QPainter painter(this);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, colours.text());
    context.clip = QRectF(event->rect());
    if (!selection_->empty()) {
        QAbstractTextDocumentLayout::Selection selected;
        selected.cursor = QTextCursor(&document_);
        selected.cursor.setPosition(selection_->start());
        selected.cursor.setPosition(selection_->end(), QTextCursor::KeepAnchor);
        selected.format.setBackground(palette().color(QPalette::Highlight));
        selected.format.setForeground(palette().color(QPalette::HighlightedText));
        context.selections.append(selected);
    } else if (hasFocus()) {
        context.cursorPosition = selection_->position();
    }
    document_.documentLayout()->draw(&painter, context);
}

QString NotesLabel::anchorAt(const QPoint& point) const {
    layOut(width());
    return document_.documentLayout()->anchorAt(QPointF(point));
}

void NotesLabel::mouseMoveEvent(QMouseEvent* event) {
    setCursor(anchorAt(event->position().toPoint()).isEmpty() ? Qt::IBeamCursor : Qt::PointingHandCursor);
}

void NotesLabel::mouseReleaseEvent(QMouseEvent* event) {
    const QString anchor = anchorAt(event->position().toPoint());
    // A drag selects; only a click follows a link.
    if (event->button() == Qt::LeftButton && !anchor.isEmpty() && selection_->clicked())
        Q_EMIT linkActivated(QUrl(anchor, QUrl::StrictMode));
}

void NotesLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        document_.setDefaultFont(font());
        heights_.clear();
        laidOutWidth_ = -1;
        updateGeometry();
    }
    QWidget::changeEvent(event);
}
