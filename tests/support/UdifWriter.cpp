#include "UdifWriter.h"

#include "platform/system/PropertyList.h"
#include "platform/system/Subprocess.h"

#include <QFile>
#include <QVariantMap>
#include <QtEndian>

#include <algorithm>

#include <archive.h>
#include <archive_entry.h>

namespace {

constexpr int chunkSectors = 2048;

void put32(QByteArray& b, qsizetype at, quint32 v) { qToBigEndian(v, b.data() + at); }
void put64(QByteArray& b, qsizetype at, quint64 v) { qToBigEndian(v, b.data() + at); }

QByteArray compressWith(const QByteArray& data, int filter) {
    archive* a = archive_write_new();
    archive_write_set_format_raw(a);
    if (filter == 1)
        archive_write_add_filter_bzip2(a);
    else
        archive_write_add_filter_xz(a);
    QByteArray out(data.size() * 2 + 65536, '\0');
    size_t used = 0;
    archive_write_open_memory(a, out.data(), size_t(out.size()), &used);
    archive_entry* e = archive_entry_new();
    archive_entry_set_pathname(e, "chunk");
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_size(e, data.size());
    archive_write_header(a, e);
    archive_write_data(a, data.constData(), size_t(data.size()));
    archive_write_close(a);
    archive_entry_free(e);
    archive_write_free(a);
    out.truncate(qsizetype(used));
    return out;
}

// Apple Data Compression with literal runs and back references to the previous byte.
QByteArray compressAdc(const QByteArray& data) {
    QByteArray out;
    QByteArray literal;
    const auto flush = [&] {
        for (qsizetype at = 0; at < literal.size(); at += 128) {
            const QByteArray part = literal.mid(at, 128);
            out += char(0x80 | (part.size() - 1));
            out += part;
        }
        literal.clear();
    };
    qsizetype i = 0;
    while (i < data.size()) {
        qsizetype run = 0;
        while (i > 0 && i + run < data.size() && data[i + run] == data[i - 1] && run < 67)
            ++run;
        if (run >= 19) {
            flush();
            out += char(0x40 | (run - 4));
            out += QByteArray(2, '\0'); // distance 1
            i += run;
        } else if (run >= 3) {
            flush();
            out += char((run - 3) << 2);
            out += '\0';
            i += run;
        } else {
            literal += data[i++];
        }
    }
    flush();
    return out;
}

QByteArray chunkEntry(quint32 type, quint64 sector, quint64 count, quint64 offset, quint64 length) {
    QByteArray c(40, '\0');
    put32(c, 0, type);
    put64(c, 8, sector);
    put64(c, 16, count);
    put64(c, 24, offset);
    put64(c, 32, length);
    return c;
}

// The terminator stands at the table's end, in sectors and in the data fork, as readers check.
QByteArray mishTable(quint64 firstSector, quint64 sectors, const QByteArray& chunks, int count, quint64 forkEnd) {
    QByteArray mish(204, '\0');
    mish.replace(0, 4, "mish");
    put32(mish, 4, 1);
    put64(mish, 8, firstSector);
    put64(mish, 16, sectors);
    put32(mish, 32, 2049);
    put32(mish, 200, quint32(count + 1));
    return mish + chunks + chunkEntry(0xFFFFFFFF, sectors, 0, forkEnd, 0);
}

QVariantMap resource(const QString& name, int id, const QByteArray& data) {
    return {{QStringLiteral("Attributes"), QStringLiteral("0x0050")},
            {QStringLiteral("CFName"), name},
            {QStringLiteral("Data"), data},
            {QStringLiteral("ID"), QString::number(id)},
            {QStringLiteral("Name"), name}};
}

} // namespace

bool UdifWriter::write(const QString& rawVolume, const QString& imagePath) const {
    QFile raw(rawVolume);
    if (!raw.open(QIODevice::ReadOnly))
        return false;
    QByteArray volume = raw.readAll();
    volume.append(QByteArray((512 - volume.size() % 512) % 512, '\0'));
    const quint64 sectors = quint64(volume.size()) / 512;

    QByteArray fork;
    QByteArray chunks;
    int count = 0;
    for (quint64 s = 0; s < sectors; s += chunkSectors) {
        const quint64 n = std::min<quint64>(chunkSectors, sectors - s);
        const QByteArray plain = volume.mid(qsizetype(s * 512), qsizetype(n * 512));
        if (plain.count('\0') == plain.size()) {
            chunks += chunkEntry(0, s, n, quint64(fork.size()), 0);
            ++count;
            continue;
        }
        QByteArray stored;
        quint32 type = 1;
        switch (compression) {
        case Compression::Raw:
            stored = plain;
            break;
        case Compression::Zlib:
            stored = qCompress(plain).mid(4);
            type = 0x80000005;
            break;
        case Compression::Bzip2:
            stored = compressWith(plain, 1);
            type = 0x80000006;
            break;
        case Compression::Lzma:
            stored = compressWith(plain, 2);
            type = 0x80000008;
            break;
        case Compression::Adc:
            stored = compressAdc(plain);
            type = 0x80000004;
            break;
        case Compression::Lzfse:
            stored = plain;
            type = 0x80000007;
            break;
        }
        chunks += chunkEntry(type, s, n, quint64(fork.size()), quint64(stored.size()));
        fork += stored;
        ++count;
    }
    if (trailingZeroSectors > 0) {
        chunks += chunkEntry(0, sectors, trailingZeroSectors, quint64(fork.size()), 0);
        ++count;
    }
    const quint64 tableSectors = sectors + trailingZeroSectors;

    const quint64 lead = leadingTable ? 64 : 0;
    QVariantList blkx;
    if (leadingTable)
        blkx << resource(QStringLiteral("Protective Master Boot Record (MBR : 0)"), -1,
                         mishTable(0, lead, chunkEntry(2, 0, lead, 0, 0), 1, 0));
    blkx << resource(tableName, 0, mishTable(lead, tableSectors, chunks, count, quint64(fork.size())));
    QVariantMap forks{{QStringLiteral("blkx"), blkx}};
    if (licence) {
        QByteArray pic(10, '\0'); // default language 0, one entry: region 0, index 0, no two-byte script
        qToBigEndian<quint16>(1, pic.data() + 2);
        QByteArray strings;
        qToBigEndian<quint16>(6, strings.fill('\0', 2).data());
        for (const char* s : {"English", "Agree", "Disagree", "Print", "Save...", "Press Agree."})
            strings += char(qstrlen(s)) + QByteArray(s);
        QByteArray text = licence->toLatin1();
        text.replace('\n', '\r');
        forks.insert(QStringLiteral("LPic"), QVariantList{resource(QString(), 5000, pic)});
        forks.insert(QStringLiteral("STR#"), QVariantList{resource(QStringLiteral("English buttons"), 5000, strings)});
        forks.insert(QStringLiteral("TEXT"), QVariantList{resource(QStringLiteral("English SLA"), 5000, text)});
    }
    const QByteArray xml =
        PropertyList::toXml(QVariantMap{{QStringLiteral("resource-fork"), forks}}).value_or(QByteArray());

    QByteArray koly(512, '\0');
    koly.replace(0, 4, "koly");
    put32(koly, 4, 4);
    put32(koly, 8, 512);
    put32(koly, 12, 1);
    put64(koly, 32, quint64(fork.size()));
    put32(koly, 56, 1);
    put32(koly, 60, 1);
    put64(koly, 216, quint64(fork.size()));
    put64(koly, 224, quint64(xml.size()));
    put32(koly, 488, 1);
    put64(koly, 492, lead + tableSectors);

    QFile out(imagePath);
    return out.open(QIODevice::WriteOnly) && out.write(fork + xml + koly) == fork.size() + xml.size() + 512;
}

bool makeIso(const QString& folder, const QString& iso) {
    try {
        const auto r = Subprocess::exec(QStringLiteral("/usr/bin/xorriso"),
                                        {"-as", "mkisofs", "-R", "-V", "Example", "-o", iso, folder});
        return r.status == 0;
    } catch (const std::exception&) {
        return false;
    }
}

bool makeHfs(const QString& folder, const QString& hfs) {
    // xorriso writes an Apple partition map with the HFS+ volume as one of its partitions.
    const QString hybrid = hfs + QStringLiteral(".hybrid");
    try {
        if (Subprocess::exec(QStringLiteral("/usr/bin/xorriso"),
                             {"-as", "mkisofs", "-hfsplus", "-R", "-V", "Example", "-o", hybrid, folder})
                .status != 0)
            return false;
    } catch (const std::exception&) {
        return false;
    }
    QFile in(hybrid);
    QFile out(hfs);
    bool copied = false;
    if (in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly)) {
        const QByteArray map = in.read(64 * 512);
        for (qsizetype at = 512; !copied && at + 512 <= map.size() && map.mid(at, 2) == "PM"; at += 512) {
            if (!map.mid(at + 48, 32).startsWith("Apple_HFS"))
                continue;
            const qint64 first = qFromBigEndian<quint32>(map.constData() + at + 8) * qint64(512);
            qint64 left = qFromBigEndian<quint32>(map.constData() + at + 12) * qint64(512);
            in.seek(first);
            while (left > 0) {
                const QByteArray piece = in.read(std::min<qint64>(left, 1 << 20));
                if (piece.isEmpty() || out.write(piece) != piece.size())
                    break;
                left -= piece.size();
            }
            copied = left == 0;
        }
    }
    in.remove();
    return copied;
}

bool makeApfs(const QString& apfs) {
    QFile volume(apfs);
    if (!volume.open(QIODevice::WriteOnly) || !volume.resize(qint64(128) << 20)) // mkapfs's smallest
        return false;
    volume.close();
    try {
        return Subprocess::exec(QStringLiteral("/usr/sbin/mkapfs"), {"-L", "Example", apfs}).status == 0;
    } catch (const std::exception&) {
        return false;
    }
}

bool makeGptDisk(const QString& volumePath, const QString& diskPath) {
    QFile in(volumePath);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QByteArray volume = in.readAll();
    volume.append(QByteArray((512 - volume.size() % 512) % 512, '\0'));
    const quint64 first = 64, last = first + quint64(volume.size()) / 512 - 1;
    QByteArray disk(64 * 512, '\0');
    disk.replace(512, 8, "EFI PART");
    qToLittleEndian<quint64>(2, disk.data() + 512 + 72);   // entries at sector 2
    qToLittleEndian<quint32>(4, disk.data() + 512 + 80);   // four entries
    qToLittleEndian<quint32>(128, disk.data() + 512 + 84); // of 128 bytes
    char* entry = disk.data() + 1024;
    const QByteArray basicData = QByteArray::fromHex("A2A0D0EBE5B9334487C068B6B72699C7");
    std::copy(basicData.begin(), basicData.end(), entry);
    qToLittleEndian<quint64>(first, entry + 32);
    qToLittleEndian<quint64>(last, entry + 40);
    QFile out(diskPath);
    return out.open(QIODevice::WriteOnly) && out.write(disk + volume + QByteArray(33 * 512, '\0')) > 0;
}
