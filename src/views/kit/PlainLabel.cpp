#include "views/kit/PlainLabel.h"

#include "views/kit/OnAppearance.h"

PlainLabel::PlainLabel(const QString& text, const QFont& font, const Palette::Ink& ink, bool wrap, QWidget* parent)
    : QLabel(parent), ink_(ink) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(font);
    setWordWrap(wrap);
    applyInk();
    if (wrap) {
        // Layouts ask a wrapping label its height for the width they give it.
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }
}

void PlainLabel::setColor(const Palette::Ink& ink) {
    ink_ = ink;
    applyInk();
}

void PlainLabel::applyInk() {
    const QColor colour = ink_.colour();
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, colour);
    colours.setColor(QPalette::Text, colour);
    setPalette(colours);
    // The palette the label keeps names its text colour, which a new application palette leaves
    // as it was.
    if (ink_.followsAppearance())
        connect(&OnAppearance::changes(), &OnAppearance::changed, this, &PlainLabel::applyInk, Qt::UniqueConnection);
}
