#pragma once

#include "sources/StyledText.h"

#include <QColor>

class QTextDocument;

// Styled release notes written into the document a label lays out: each run as text in its
// style, so nothing of the notes is ever read as markup, and links only where the styled text
// carries a checked web address. Line breaks stay within one paragraph.
namespace NotesText {

void write(QTextDocument& document, const StyledText& text, const QColor& link);

// Long notes in parts of at least `size` characters, cut at line breaks (which the cuts take).
// Each part goes in at the end as a paragraph of its own (`add`; the first into the empty
// document), laid out alone as it comes; the paragraphs read, are copied and take the direction
// as the one paragraph `write` makes would.
QList<StyledText> parts(const StyledText& text, qsizetype size);
void add(QTextDocument& document, const StyledText& part, const QColor& link, bool first);
// The direction `write` would give the whole text's one paragraph: its first strong character's.
Qt::LayoutDirection direction(const StyledText& text);

// Gives the links a new colour, as a change of appearance asks.
void recolourLinks(QTextDocument& document, const QColor& link);

} // namespace NotesText
