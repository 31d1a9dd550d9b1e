#include "platform/PlistXml.h"

#include <QRegularExpression>
#include <QVariantList>
#include <QVariantMap>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace PlistXml {
namespace {

// Reads the value whose start element the reader stands on; leaves it on that element's end.
std::optional<QVariant> readValue(QXmlStreamReader& xml, int depth) {
    if (depth > 64)
        return std::nullopt;
    const QStringView name = xml.name();
    if (name == u"dict") {
        QVariantMap map;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"key")
                return std::nullopt;
            const QString key = xml.readElementText();
            if (!xml.readNextStartElement())
                return std::nullopt;
            auto value = readValue(xml, depth + 1);
            if (!value)
                return std::nullopt;
            map.insert(key, *value);
        }
        return xml.hasError() ? std::nullopt : std::optional<QVariant>(map);
    }
    if (name == u"array") {
        QVariantList list;
        while (xml.readNextStartElement()) {
            auto value = readValue(xml, depth + 1);
            if (!value)
                return std::nullopt;
            list.append(*value);
        }
        return xml.hasError() ? std::nullopt : std::optional<QVariant>(list);
    }
    if (name == u"true" || name == u"false") {
        const bool value = name == u"true";
        xml.skipCurrentElement();
        return QVariant(value);
    }
    const QString text = xml.readElementText();
    if (xml.hasError())
        return std::nullopt;
    if (name == u"string" || name == u"date")
        return QVariant(text);
    if (name == u"data") {
        QString compact = text;
        compact.remove(QRegularExpression(QStringLiteral("\\s")));
        const auto decoded = QByteArray::fromBase64Encoding(compact.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        return QVariant(*decoded);
    }
    if (name == u"integer") {
        bool ok = false;
        const qint64 value = text.trimmed().toLongLong(&ok);
        return ok ? std::optional<QVariant>(QVariant(value)) : std::nullopt;
    }
    if (name == u"real") {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        return ok ? std::optional<QVariant>(QVariant(value)) : std::nullopt;
    }
    return std::nullopt;
}

void writeValue(QXmlStreamWriter& xml, const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        xml.writeStartElement(QStringLiteral("dict"));
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            xml.writeTextElement(QStringLiteral("key"), it.key());
            writeValue(xml, it.value());
        }
        xml.writeEndElement();
        break;
    }
    case QMetaType::QVariantList: {
        xml.writeStartElement(QStringLiteral("array"));
        for (const QVariant& item : value.toList())
            writeValue(xml, item);
        xml.writeEndElement();
        break;
    }
    case QMetaType::Bool:
        xml.writeEmptyElement(value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    case QMetaType::QByteArray:
        xml.writeTextElement(QStringLiteral("data"), QString::fromLatin1(value.toByteArray().toBase64()));
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        xml.writeTextElement(QStringLiteral("integer"), QString::number(value.toLongLong()));
        break;
    case QMetaType::Double:
        xml.writeTextElement(QStringLiteral("real"), QString::number(value.toDouble(), 'g', 17));
        break;
    default:
        xml.writeTextElement(QStringLiteral("string"), value.toString());
        break;
    }
}

} // namespace

std::optional<QVariant> parse(const QByteArray& text) {
    QXmlStreamReader xml(text);
    if (!xml.readNextStartElement() || xml.name() != u"plist" || !xml.readNextStartElement())
        return std::nullopt;
    auto value = readValue(xml, 0);
    if (!value)
        return std::nullopt;
    // Nothing but the closing plist element may follow.
    if (xml.readNextStartElement() || xml.hasError())
        return std::nullopt;
    return value;
}

QByteArray write(const QVariant& value) {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(-1);
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    xml.writeStartElement(QStringLiteral("plist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    writeValue(xml, value);
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

} // namespace PlistXml
