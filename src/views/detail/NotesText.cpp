#include "views/detail/NotesText.h"

namespace NotesText {

QString html(const StyledText& text) {
    QString out = QStringLiteral("<span style=\"white-space: pre-wrap\">");
    for (const auto& run : text.runs) {
        QString piece = run.text.toHtmlEscaped();
        piece.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        if (run.code)
            piece = QStringLiteral("<code>") + piece + QStringLiteral("</code>");
        if (run.italic)
            piece = QStringLiteral("<i>") + piece + QStringLiteral("</i>");
        if (run.bold)
            piece = QStringLiteral("<b>") + piece + QStringLiteral("</b>");
        if (run.link)
            piece = QStringLiteral("<a href=\"") + run.link->toString(QUrl::FullyEncoded).toHtmlEscaped() +
                    QStringLiteral("\">") + piece + QStringLiteral("</a>");
        out += piece;
    }
    return out + QStringLiteral("</span>");
}

} // namespace NotesText
