#include "sources/AppcastParser.h"

#include "sources/Decimal.h"

#include <QXmlStreamReader>

namespace {

std::optional<QString> attribute(const AppcastParser::Attributes& attributes, const QString& name) {
    const auto found = attributes.constFind(name);
    if (found == attributes.constEnd())
        return std::nullopt;
    return *found;
}

} // namespace

std::optional<QString> AppcastParser::parse(const QByteArray& document) {
    QXmlStreamReader reader(document);
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            Attributes attributes;
            const auto all = reader.attributes();
            for (const auto& each : all)
                attributes.insert(each.qualifiedName().toString(),
                                  each.value().toString().normalized(QString::NormalizationForm_C));
            elementStarted(reader.qualifiedName().toString(), attributes);
            break;
        }
        case QXmlStreamReader::Characters:
            // CDATA blocks arrive here too, already decoded.
            charactersFound(reader.text().toString());
            break;
        case QXmlStreamReader::EndElement:
            elementEnded(reader.qualifiedName().toString());
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        items.clear();
        item.reset();
        const QString message = reader.errorString();
        return message.isEmpty() ? QStringLiteral("unknown error") : message;
    }
    return std::nullopt;
}

void AppcastParser::elementStarted(const QString& name, const Attributes& attributes) {
    text.clear();
    if (name == QLatin1String("item")) {
        item = AppcastItem{};
    } else if (name == QLatin1String("sparkle:deltas")) {
        ++deltas;
    } else if (name == QLatin1String("enclosure")) {
        if (!item || deltas > 0)
            return;
        item->enclosureURL = attribute(attributes, QStringLiteral("url"));
        const auto length = attribute(attributes, QStringLiteral("length"));
        item->length = length ? Decimal::parse(*length) : std::nullopt;
        item->edSignature = attribute(attributes, QStringLiteral("sparkle:edSignature"));
        item->os = attribute(attributes, QStringLiteral("sparkle:os"));
        if (!item->build)
            item->build = attribute(attributes, QStringLiteral("sparkle:version"));
        if (!item->short_)
            item->short_ = attribute(attributes, QStringLiteral("sparkle:shortVersionString"));
    }
}

void AppcastParser::charactersFound(const QString& characters) { text += characters; }

void AppcastParser::elementEnded(const QString& name) {
    const QString value = text.trimmed().normalized(QString::NormalizationForm_C);
    text.clear();
    if (name == QLatin1String("item")) {
        if (item)
            items.append(*item);
        item.reset();
        return;
    }
    if (name == QLatin1String("sparkle:deltas")) {
        --deltas;
        return;
    }
    if (!item || deltas != 0 || value.isEmpty())
        return;
    if (name == QLatin1String("sparkle:version"))
        item->build = value;
    else if (name == QLatin1String("sparkle:shortVersionString"))
        item->short_ = value;
    else if (name == QLatin1String("sparkle:channel"))
        item->channel = value;
    else if (name == QLatin1String("sparkle:minimumSystemVersion"))
        item->minOS = value;
    else if (name == QLatin1String("sparkle:maximumSystemVersion"))
        item->maxOS = value;
    else if (name == QLatin1String("sparkle:releaseNotesLink"))
        item->notesLink = value;
    else if (name == QLatin1String("description"))
        item->description = value;
}
