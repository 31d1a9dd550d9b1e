#include "views/detail/NotesText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace NotesText {

void write(QTextDocument& document, const StyledText& text, const QColor& link) {
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const auto& run : text.runs) {
        QTextCharFormat format;
        if (run.bold)
            format.setFontWeight(QFont::Bold);
        if (run.italic)
            format.setFontItalic(true);
        if (run.code)
            format.setFontFamilies({QStringLiteral("monospace")});
        if (run.link) {
            format.setAnchor(true);
            format.setAnchorHref(run.link->toString(QUrl::FullyEncoded));
            format.setForeground(link);
            format.setFontUnderline(true);
        }
        QString piece = run.text;
        // A line break within the paragraph; copied, it reads as a line break all the same.
        piece.replace(QLatin1Char('\n'), QChar::LineSeparator);
        cursor.insertText(piece, format);
    }
    cursor.endEditBlock();
}

void recolourLinks(QTextDocument& document, const QColor& link) {
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto piece = block.begin(); !piece.atEnd(); ++piece) {
            const QTextFragment fragment = piece.fragment();
            if (!fragment.charFormat().isAnchor())
                continue;
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            QTextCharFormat colour;
            colour.setForeground(link);
            cursor.mergeCharFormat(colour);
        }
    cursor.endEditBlock();
}

} // namespace NotesText
