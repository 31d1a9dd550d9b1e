#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Wraps a raw volume (an ISO 9660 image made with xorriso, say) into a UDIF disk image of the
// real layout: data fork of chunks, XML resource list with one "blkx" table, "koly" trailer.
struct UdifWriter {
    enum class Compression { Raw, Zlib, Bzip2, Lzma, Adc, Lzfse };

    Compression compression = Compression::Zlib;
    QString tableName = QStringLiteral("disk image (Apple_HFS : 4)");
    // Adds the LPic, STR# and TEXT resources of an English licence agreement.
    std::optional<QString> licence;
    // A leading table of zeros before the volume's, like a partition map.
    bool leadingTable = true;
    // A run of zero sectors that ends the volume's table (stored as one zero chunk).
    quint64 trailingZeroSectors = 0;

    bool write(const QString& rawVolume, const QString& image) const;
};

// Wraps a volume into a raw GPT disk (one partition starting at sector 64), as one table
// holding a whole disk carries it.
bool makeGptDisk(const QString& volume, const QString& disk);

// Makes an HFS+ volume named "Example" of `folder` (modes and links kept) with xorriso.
bool makeHfs(const QString& folder, const QString& hfs);

// Makes an empty APFS volume with mkapfs: nothing here writes files into one.
bool makeApfs(const QString& apfs);

// Makes an ISO 9660 volume with Rock Ridge (modes and links kept) of `folder` with xorriso.
bool makeIso(const QString& folder, const QString& iso);
