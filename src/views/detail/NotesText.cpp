#include "views/detail/NotesText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace NotesText {

namespace {
void insert(QTextCursor& cursor, const StyledText& text, const QColor& link) {
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
}
} // namespace

void write(QTextDocument& document, const StyledText& text, const QColor& link) {
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    insert(cursor, text, link);
    cursor.endEditBlock();
}

QList<StyledText> parts(const StyledText& text, qsizetype size) {
    QList<StyledText> out{StyledText{}};
    qsizetype length = 0;
    for (StyledText::Run run : text.runs) {
        for (;;) {
            // Where the part may end in this run: at its first line break once the part is long.
            const qsizetype from = std::max<qsizetype>(0, size - length);
            const qsizetype cut = from < run.text.size() ? run.text.indexOf(QLatin1Char('\n'), from) : -1;
            if (cut < 0)
                break;
            StyledText::Run head = run;
            head.text = run.text.left(cut);
            if (!head.text.isEmpty())
                out.back().runs.append(head);
            out.append(StyledText{});
            length = 0;
            run.text.remove(0, cut + 1);
        }
        length += run.text.size();
        if (!run.text.isEmpty())
            out.back().runs.append(std::move(run));
    }
    return out;
}

void add(QTextDocument& document, const StyledText& part, const QColor& link, bool first) {
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    if (!first)
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    insert(cursor, part, link);
    cursor.endEditBlock();
}

Qt::LayoutDirection direction(const StyledText& text) {
    for (const auto& run : text.runs)
        for (const QChar c : run.text) {
            const QChar::Direction strong = c.direction();
            if (strong == QChar::DirL)
                return Qt::LeftToRight;
            if (strong == QChar::DirR || strong == QChar::DirAL)
                return Qt::RightToLeft;
        }
    return Qt::LeftToRight;
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
