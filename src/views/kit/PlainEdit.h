#pragma once

#include "platform/gui/Palette.h"

class QLineEdit;

// A line edit drawn over a box of its own: no fill, the label colours for its text and
// `placeholder` for its placeholder, following the appearance.
namespace PlainEdit {

void colour(QLineEdit* edit, Palette::Tint placeholder);

} // namespace PlainEdit
