#pragma once

#include "sources/StyledText.h"

#include <QString>

// Styled release notes as the rich text a label draws: every run's text escaped, so nothing of
// the notes is read as markup, and links only where the styled text carries a checked web
// address.
namespace NotesText {

QString html(const StyledText& text);

} // namespace NotesText
