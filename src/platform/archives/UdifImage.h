#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <stdexcept>

// A UDIF disk image: the 512-byte "koly" trailer at the end of the file, the XML property list
// it points at, and the block tables ("blkx", one per partition) that map runs of sectors to
// chunks of the data fork. Every offset is checked against the file before it is used.
class UdifImage {
public:
    // An unreadable or unsupported image; the message is a short reason for the tool's line.
    struct Failure : std::runtime_error {
        using std::runtime_error::runtime_error;
    };

    struct Chunk {
        quint32 type = 0;
        quint64 sector = 0; // relative to the table
        quint64 sectorCount = 0;
        quint64 offset = 0; // in the data fork, the table's data offset added
        quint64 length = 0;
    };

    struct Table {
        QString name; // "disk image (Apple_HFS : 4)"
        quint64 firstSector = 0;
        quint64 sectorCount = 0;
        QList<Chunk> chunks;
    };

    static constexpr quint32 Zero = 0x00000000, Raw = 0x00000001, Ignore = 0x00000002, Adc = 0x80000004,
                             Zlib = 0x80000005, Bzip2 = 0x80000006, Lzfse = 0x80000007, Lzma = 0x80000008,
                             Comment = 0x7FFFFFFE, Terminator = 0xFFFFFFFF;

    // Reads the trailer, the property list and the block tables.
    static UdifImage open(const QString& path);

    const QString& path() const { return path_; }
    const QList<Table>& tables() const { return tables_; }
    quint64 sectorCount() const { return sectorCount_; }
    quint32 variant() const { return variant_; }
    quint64 dataForkOffset() const { return dataForkOffset_; }

    // A licence agreement travels as the "LPic" resource with its texts.
    bool hasLicenseAgreement() const { return !licencePic_.isEmpty(); }
    // The licence text of the default language ("TEXT" resource, lines ended with CR), as UTF-8.
    QString licenseText() const;

    // "UDZO", "UDBZ", "ULFO", "ULMO", "UDCO" or "UDRO", from the chunk types used.
    QString formatName() const;
    bool isCompressed() const;

    // The bytes `table` expands to, its zero and ignored runs included: they are holes in the
    // expanded file, but a file system on them may still name every byte of them as file data.
    static quint64 expandedBytes(const Table& table);

    // Writes the expanded sectors of `table` to `out`, which must be empty; zero runs become holes.
    void expand(const Table& table, const QString& out) const;

private:
    QString path_;
    quint64 fileSize_ = 0;
    quint64 dataForkOffset_ = 0;
    quint64 dataForkLength_ = 0;
    quint64 sectorCount_ = 0;
    quint32 variant_ = 0;
    QList<Table> tables_;
    QByteArray licencePic_;
    QList<QPair<int, QByteArray>> licenceTexts_; // resource id, bytes
};
