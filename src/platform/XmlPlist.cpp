#include "platform/XmlPlist.h"

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>
#include <QXmlStreamReader>

namespace XmlPlist {
namespace {

constexpr int maxDepth = 64;

std::optional<QVariant> value(QXmlStreamReader& xml, int depth);

// Reads elements until the end of the current container.
std::optional<QVariant> dict(QXmlStreamReader& xml, int depth) {
    QVariantMap map;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"key")
            return std::nullopt;
        const QString key = xml.readElementText();
        if (xml.hasError() || !xml.readNextStartElement())
            return std::nullopt;
        auto item = value(xml, depth + 1);
        if (!item)
            return std::nullopt;
        map.insert(key, *item);
    }
    if (xml.hasError())
        return std::nullopt;
    return map;
}

std::optional<QVariant> array(QXmlStreamReader& xml, int depth) {
    QVariantList list;
    while (xml.readNextStartElement()) {
        auto item = value(xml, depth + 1);
        if (!item)
            return std::nullopt;
        list.append(*item);
    }
    if (xml.hasError())
        return std::nullopt;
    return list;
}

std::optional<QVariant> value(QXmlStreamReader& xml, int depth) {
    if (depth > maxDepth)
        return std::nullopt;
    const auto name = xml.name();
    if (name == u"dict")
        return dict(xml, depth);
    if (name == u"array")
        return array(xml, depth);
    if (name == u"true" || name == u"false") {
        const bool truth = name == u"true";
        xml.skipCurrentElement();
        return QVariant(truth);
    }
    const QString nameText = name.toString();
    const QString text = xml.readElementText();
    if (xml.hasError())
        return std::nullopt;
    if (nameText == u"string")
        return QVariant(text);
    if (nameText == u"data") {
        const auto decoded = QByteArray::fromBase64Encoding(
            text.toLatin1().simplified().replace(' ', ""), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        return QVariant(*decoded);
    }
    if (nameText == u"integer") {
        bool ok = false;
        const qlonglong number = text.trimmed().toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        return QVariant(number);
    }
    if (nameText == u"real") {
        bool ok = false;
        const double number = text.trimmed().toDouble(&ok);
        if (!ok)
            return std::nullopt;
        return QVariant(number);
    }
    if (nameText == u"date") {
        QDateTime date = QDateTime::fromString(text.trimmed(), Qt::ISODate);
        if (!date.isValid())
            return std::nullopt;
        return QVariant(date.toUTC());
    }
    return std::nullopt;
}

} // namespace

std::optional<QVariant> parse(const QByteArray& bytes) {
    QXmlStreamReader xml(bytes);
    if (!xml.readNextStartElement() || xml.name() != u"plist")
        return std::nullopt;
    if (!xml.readNextStartElement())
        return std::nullopt;
    auto result = value(xml, 0);
    if (!result)
        return std::nullopt;
    // Nothing may follow the one top-level value.
    if (xml.readNextStartElement() || xml.hasError())
        return std::nullopt;
    return result;
}

} // namespace XmlPlist
