#include "views/detail/LabelText.h"

#include <QFontMetrics>
#include <QPainter>

namespace LabelText {

namespace {
constexpr int measured = Qt::AlignLeft | Qt::TextExpandTabs;
} // namespace

QSize size(const QFont& font, const QString& text) {
    return QFontMetrics(font).boundingRect(QRect(0, 0, 2000, 2000), measured, text).size();
}

int height(const QFont& font, const QString& text, int width) {
    return QFontMetrics(font).boundingRect(QRect(0, 0, width, 2000), measured | Qt::TextWordWrap, text).height();
}

void draw(QPainter& painter, const QRect& rect, const QFont& font, const QColor& colour, const QString& text,
          bool wrap) {
    const bool rightToLeft = text.isRightToLeft();
    int flags = (rightToLeft ? Qt::AlignRight | Qt::TextForceRightToLeft : Qt::AlignLeft | Qt::TextForceLeftToRight) |
                Qt::AlignVCenter | Qt::TextExpandTabs;
    if (wrap)
        flags |= Qt::TextWordWrap;
    // Nothing of it outside its place, as a label's own widget would clip it.
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(rect, flags, text);
    painter.restore();
}

} // namespace LabelText
