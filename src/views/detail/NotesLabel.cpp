#include "views/detail/NotesLabel.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextOption>

#include <cmath>

NotesLabel::NotesLabel(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setMouseTracking(true);
    document_.setDocumentMargin(0);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document_.setDefaultTextOption(option);
}

void NotesLabel::setNotes(const QString& text, Qt::TextFormat format) {
    document_.setDefaultFont(font());
    if (format == Qt::RichText)
        document_.setHtml(text);
    else
        document_.setPlainText(text);
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
    const int width = laidOutWidth_ > 0 ? laidOutWidth_ : 360;
    return QSize(width, heightForWidth(width));
}

QSize NotesLabel::minimumSizeHint() const {
    return QSize(80, fontMetrics().height());
}

void NotesLabel::paintEvent(QPaintEvent* event) {
    layOut(width());
    QPainter painter(this);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, palette().color(QPalette::WindowText));
    context.clip = QRectF(event->rect());
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
    if (event->button() == Qt::LeftButton && !anchor.isEmpty())
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
