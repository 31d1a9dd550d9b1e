#pragma once

#include "sources/StyledText.h"

#include <QColor>

class QTextDocument;

// Styled release notes written into the document a label lays out: each run as text in its
// style, so nothing of the notes is ever read as markup, and links only where the styled text
// carries a checked web address. Line breaks stay within one paragraph.
namespace NotesText {

void write(QTextDocument& document, const StyledText& text, const QColor& link);
// Gives the links a new colour, as a change of appearance asks.
void recolourLinks(QTextDocument& document, const QColor& link);

} // namespace NotesText
