#pragma once

#include "sources/Cask.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The three lookup tables built from one cask catalogue. Plain values, so a catalogue can be
// parsed on a worker thread and handed to the GUI thread.
struct BrewCatalogue {
    QHash<QString, QList<Cask>> byApp;    // lower-cased application file name; catalogue order
    QHash<QString, QList<Cask>> byBundle; // bundle identifier as harvested; catalogue order
    QHash<QString, Cask> byToken;         // a later cask with the same token replaces the earlier

    // Builds the tables from the catalogue's JSON text, taking variations for this Mac (`arm`,
    // macOS major version). Nothing when the text is not a JSON array of objects.
    // Text with fewer than `padding` spare bytes of capacity is copied once before parsing.
    static std::optional<BrewCatalogue> parse(const QByteArray& json, bool arm, int macOS);

    // The whole file, read with the spare capacity `parse` needs; nothing when it cannot be read.
    static std::optional<QByteArray> read(const QString& path);
    static constexpr qsizetype padding = 64; // what the parser may read past the text's end

    // The cask that installs the application with this bundle identifier and file name, if any.
    std::optional<Cask> cask(const QString& bundleID, const QString& fileName) const;
};
