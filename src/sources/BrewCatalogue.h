#pragma once

#include "sources/Cask.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The lookup tables built from one cask catalogue. Each cask is kept once, its texts as UTF-8 in
// one block, and the tables hold cask numbers; a `Cask` is made only for a cask asked for. Plain
// values, so a catalogue can be parsed on a worker thread and handed to the GUI thread.
class BrewCatalogue {
public:
    // Builds the tables from the catalogue's JSON text, taking variations for this Mac (`arm`,
    // macOS major version). Nothing when the text is not a JSON array of objects.
    static std::optional<BrewCatalogue> parse(QByteArrayView json, bool arm, int macOS);

    // The same for the file at `path`, read through a mapping so that its text costs no memory
    // of its own; nothing when it can not be read either.
    static std::optional<BrewCatalogue> load(const QString& path, bool arm, int macOS);

    // The cask that installs the application with this bundle identifier and file name, if any.
    std::optional<Cask> cask(const QString& bundleID, const QString& fileName) const;

    // The cask of a token: a later cask with the same token replaces the earlier.
    std::optional<Cask> byToken(const QString& token) const;
    // The casks naming an application of this lower-cased file name, in catalogue order.
    QList<Cask> byApp(const QString& name) const;

    QStringList tokens() const;
    qsizetype size() const { return byToken_.size(); }

private:
    friend class CatalogueReader;

    // A text in `text_`.
    struct Span {
        quint32 offset = 0;
        quint32 size = 0;
    };
    struct Record {
        Span token, version, url, sha256, homepage, pkg, mentions;
        quint32 lists = 0; // first of its bundle identifiers, then its zap paths, in `lists_`
        quint32 bundles = 0;
        quint32 zaps = 0;
        bool hasUrl = false, hasSha256 = false, hasHomepage = false, hasPkg = false;
    };

    QByteArrayView view(Span span) const { return QByteArrayView(text_.constData() + span.offset, span.size); }
    QString string(Span span) const { return QString::fromUtf8(view(span)); }
    Cask make(quint32 index) const;
    QList<Cask> make(const QList<quint32>& indices) const;

    QByteArray text_;
    std::vector<Span> lists_;
    std::vector<Record> records_;
    QHash<QByteArray, QList<quint32>> byApp_; // UTF-8 keys
    QHash<QByteArray, QList<quint32>> byBundle_;
    QHash<QByteArray, quint32> byToken_;
};
