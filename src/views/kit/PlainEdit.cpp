#include "views/kit/PlainEdit.h"

#include "views/kit/OnAppearance.h"

#include <QLineEdit>

namespace PlainEdit {

void colour(QLineEdit* edit, Palette::Tint placeholder) {
    OnAppearance::follow(edit, [edit, placeholder] {
        const Palette& palette = Palette::current();
        QPalette colours = edit->palette();
        colours.setColor(QPalette::Base, Qt::transparent);
        colours.setColor(QPalette::Text, palette.text());
        colours.setColor(QPalette::PlaceholderText, palette.tint(placeholder));
        edit->setPalette(colours);
    });
}

} // namespace PlainEdit
