#pragma once

#include "sources/AppcastItem.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// Reads the items of one appcast document. Names are compared as written, prefix included
// ("sparkle:version"), so the reader runs without namespace processing. One instance parses one
// document; it holds no Qt objects and may run on any thread.
class AppcastParser {
public:
    using Attributes = QHash<QString, QString>;

    // Parses `document`; on malformed XML returns the reader's error text and discards the items.
    // External entities are never fetched, and entity expansion is bounded by the reader.
    std::optional<QString> parse(const QByteArray& document);

    // The events of the reader, in document order.
    void elementStarted(const QString& name, const Attributes& attributes);
    void charactersFound(const QString& characters);
    void elementEnded(const QString& name);

    QList<AppcastItem> items;        // completed items, in document order
    std::optional<AppcastItem> item; // the item being read
    QString text;                    // character data since the last start or end tag
    int deltas = 0;                  // depth inside "sparkle:deltas"
};
