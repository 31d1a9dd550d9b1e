#include "platform/codesign/Oid.h"

#include <QRegularExpression>

#include <openssl/objects.h>

#include <cstdint>

namespace Oid {

QByteArray content(const QString& dotted) {
    static const QRegularExpression shape(QStringLiteral("^[0-9]+(\\.[0-9]+)+$"));
    if (!shape.match(dotted).hasMatch())
        return {};
    ASN1_OBJECT* object = OBJ_txt2obj(dotted.toLatin1().constData(), 1);
    if (!object)
        return {};
    QByteArray bytes(reinterpret_cast<const char*>(OBJ_get0_data(object)), int(OBJ_length(object)));
    ASN1_OBJECT_free(object);
    return bytes;
}

QString text(const QByteArray& content) {
    QString text;
    uint64_t value = 0;
    bool first = true;
    for (const char byte : content) {
        if (value > (uint64_t(1) << 56))
            return {};
        value = (value << 7) | (uint8_t(byte) & 0x7F);
        if (uint8_t(byte) & 0x80)
            continue;
        if (first) {
            const uint64_t top = value < 80 ? value / 40 : 2;
            text = QString::number(top) + u'.' + QString::number(value - top * 40);
            first = false;
        } else {
            text += u'.' + QString::number(value);
        }
        value = 0;
    }
    return text;
}

} // namespace Oid
