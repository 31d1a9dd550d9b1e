#include "platform/gui/ActionText.h"

namespace ActionText {

QString plain(const QString& text) {
    QString escaped = text;
    escaped.replace(u'&', QStringLiteral("&&"));
    return escaped;
}

} // namespace ActionText
