#include "views/kit/PlainLabel.h"

PlainLabel::PlainLabel(const QString& text, const QFont& font, const QColor& color, bool wrap, QWidget* parent)
    : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(font);
    setWordWrap(wrap);
    setColor(color);
    if (wrap) {
        // Layouts ask a wrapping label its height for the width they give it.
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }
}

void PlainLabel::setColor(const QColor& color) {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color);
    colours.setColor(QPalette::Text, color);
    setPalette(colours);
}
