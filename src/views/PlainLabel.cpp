#include "views/PlainLabel.h"

PlainLabel::PlainLabel(const QString& text, const QFont& font, const QColor& color, bool wrap, QWidget* parent)
    : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(font);
    setWordWrap(wrap);
    setColor(color);
    if (wrap)
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
}

void PlainLabel::setColor(const QColor& color) {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color);
    colours.setColor(QPalette::Text, color);
    setPalette(colours);
}
