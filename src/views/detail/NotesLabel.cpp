#include "views/detail/NotesLabel.h"

#include "platform/gui/Palette.h"
#include "sources/WebLink.h"
#include "views/detail/NotesText.h"
#include "views/kit/TextSelection.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextOption>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {
// Notes this long, some fifty lines, take more than a millisecond to read and lay out: they go in
// by parts of about this many characters, each laid out in a fraction of one.
constexpr qsizetype longNotes = 4000;
constexpr qsizetype partSize = 1000;

StyledText styled(const QString& text, bool markdown) {
    return markdown ? WebLink::markdown(text) : StyledText::plain(text);
}

int linesOf(const QString& text) { return static_cast<int>(text.count(QLatin1Char('\n'))) + 1; }

int linesOf(const StyledText& text) {
    int lines = 1;
    for (const auto& run : text.runs)
        lines += static_cast<int>(run.text.count(QLatin1Char('\n')));
    return lines;
}
} // namespace

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

    filling_ = new QTimer(this);
    filling_->setSingleShot(true);
    filling_->setInterval(0);
    connect(filling_, &QTimer::timeout, this, &NotesLabel::addPart);
}

void NotesLabel::setNotes(const QString& text, bool markdown) {
    selection_->select(0, 0);
    document_.setDefaultFont(font());
    linkColour_ = Palette::current().accent();
    if (text.size() < longNotes) {
        pending_.reset();
        NotesText::write(document_, styled(text, markdown), linkColour_);
    } else {
        document_.clear();
        pending_ = Pending{text, markdown, linesOf(text), {}, 0, 0};
        filling_->start();
    }
    heights_.clear();
    laidOutWidth_ = -1;
    updateGeometry();
    update();
}

void NotesLabel::addPart() {
    if (!pending_)
        return;
    Pending& notes = *pending_;
    if (notes.parts.isEmpty()) {
        const StyledText whole = styled(notes.text, notes.markdown);
        QTextOption option = document_.defaultTextOption();
        option.setTextDirection(NotesText::direction(whole));
        document_.setDefaultTextOption(option);
        notes.lines = linesOf(whole);
        notes.parts = NotesText::parts(whole, partSize);
    }
    const StyledText& part = notes.parts[notes.next];
    NotesText::add(document_, part, linkColour_, notes.next == 0);
    notes.linesIn += linesOf(part);
    if (++notes.next == notes.parts.size())
        pending_.reset();
    else
        filling_->start();
    heights_.clear();
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
    // Lines of long notes not in yet stand in as a line each: most notes are a line per item.
    const int waiting = pending_ ? pending_->lines - pending_->linesIn : 0;
    const int ahead = static_cast<int>(std::ceil(QFontMetricsF(font()).lineSpacing() * waiting));
    if (pending_ && pending_->next == 0)
        return ahead;
    if (const auto found = heights_.constFind(width); found != heights_.constEnd())
        return *found + ahead;
    layOut(width);
    const int height = static_cast<int>(std::ceil(document_.size().height()));
    heights_.insert(width, height);
    return height + ahead;
}

QSize NotesLabel::sizeHint() const {
    if (laidOutWidth_ > 0)
        return QSize(laidOutWidth_, heightForWidth(laidOutWidth_));
    // Layouts take the notes' height for the width they give them, never this one: a line per
    // paragraph stands in rather than a layout at a width the notes may never have.
    const int lines = pending_ ? pending_->lines : std::max(1, document_.blockCount());
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
