#include "sources/Appcast.h"

#include <QRegularExpression>

namespace Appcast {

QString plainText(const QString& html) {
    // Compiled per call: the patterns are few and the function may run on any thread.
    QString text = html;
    text.replace(QRegularExpression(QStringLiteral(R"((?i)<br\s*/?>|</p>|</h[1-6]>|</div>)")),
                 QStringLiteral("\n"));
    text.replace(QRegularExpression(QStringLiteral(R"((?i)<li[^>]*>)")), QStringLiteral("\n\u2022 "));
    text.replace(QRegularExpression(QStringLiteral(R"(<[^>]+>)")), QString());
    text.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    // Last, so that "&amp;lt;" stays the text "&lt;".
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    text.replace(QRegularExpression(QStringLiteral("\n[ \t]*\n+")), QStringLiteral("\n"));
    return text.trimmed();
}

} // namespace Appcast
