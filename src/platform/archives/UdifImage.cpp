#include "platform/archives/UdifImage.h"

#include "platform/archives/UdifVolume.h"
#include "platform/system/PropertyList.h"

#include <QFile>
#include <QVariantMap>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

constexpr quint64 sectorSize = 512;
// No chunk of a real image expands beyond a few MiB; a larger claim is a hostile table.
constexpr quint64 maxChunkSectors = 1 << 16;

[[noreturn]] void fail(const char* reason) { throw UdifImage::Failure(reason); }

quint32 be32(const char* p) { return qFromBigEndian<quint32>(p); }
quint64 be64(const char* p) { return qFromBigEndian<quint64>(p); }

QByteArray readAt(QFile& file, quint64 offset, quint64 length) {
    if (!file.seek(qint64(offset)))
        fail("image not recognized");
    QByteArray bytes = file.read(qint64(length));
    if (quint64(bytes.size()) != length)
        fail("image not recognized");
    return bytes;
}

QString fromMacRoman(const QByteArray& bytes) {
    static const char16_t high[128] = {
        0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
        0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
        0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
        0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
        0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
        0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
        0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
        0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
        0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
        0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = quint8(c);
        if (b == '\r')
            out += QLatin1Char('\n');
        else
            out += b < 0x80 ? QLatin1Char(char(b)) : QChar(high[b - 0x80]);
    }
    return out;
}

UdifImage::Table parseTable(const QByteArray& mish, const QString& name) {
    if (mish.size() < 204 || be32(mish.constData()) != 0x6D697368)
        fail("image not recognized");
    const char* p = mish.constData();
    UdifImage::Table table;
    table.name = name;
    table.firstSector = be64(p + 8);
    table.sectorCount = be64(p + 16);
    const quint64 dataOffset = be64(p + 24);
    const quint32 count = be32(p + 200);
    if (quint64(mish.size()) < 204 + quint64(count) * 40)
        fail("image not recognized");
    for (quint32 i = 0; i < count; ++i) {
        const char* c = p + 204 + qsizetype(i) * 40;
        UdifImage::Chunk chunk;
        chunk.type = be32(c);
        if (chunk.type == UdifImage::Terminator)
            break;
        if (chunk.type == UdifImage::Comment)
            continue;
        chunk.sector = be64(c + 8);
        chunk.sectorCount = be64(c + 16);
        chunk.offset = dataOffset + be64(c + 24);
        chunk.length = be64(c + 32);
        table.chunks.append(chunk);
    }
    return table;
}

} // namespace

UdifImage UdifImage::open(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("No such file or directory");
    UdifImage image;
    image.path_ = path;
    image.fileSize_ = quint64(file.size());
    if (image.fileSize_ < 512)
        fail("image not recognized");
    const QByteArray koly = readAt(file, image.fileSize_ - 512, 512);
    const char* k = koly.constData();
    if (koly.left(4) != "koly")
        fail("image not recognized");
    if (be32(k + 12) & 0x8)
        fail("encrypted images are not supported");
    image.dataForkOffset_ = be64(k + 24);
    image.dataForkLength_ = be64(k + 32);
    const quint64 xmlOffset = be64(k + 216), xmlLength = be64(k + 224);
    image.variant_ = be32(k + 488);
    image.sectorCount_ = qFromBigEndian<quint64>(k + 492);
    if (image.sectorCount_ > (quint64(1) << 41)) // 1 PiB: no real image, and byte counts stay in range
        fail("image not recognized");
    const quint64 end = image.fileSize_ - 512;
    if (image.dataForkOffset_ > end || image.dataForkLength_ > end - image.dataForkOffset_ || xmlOffset > end ||
        xmlLength > end - xmlOffset || xmlLength == 0 || xmlLength > (64u << 20))
        fail("image not recognized");

    const auto plist = PropertyList::fromBytes(readAt(file, xmlOffset, xmlLength));
    if (!plist)
        fail("image not recognized");
    const QVariantMap resources = plist->toMap().value(QStringLiteral("resource-fork")).toMap();
    for (const QVariant& item : resources.value(QStringLiteral("blkx")).toList()) {
        const QVariantMap r = item.toMap();
        QString name = r.value(QStringLiteral("CFName")).toString();
        if (name.isEmpty())
            name = r.value(QStringLiteral("Name")).toString();
        image.tables_.append(parseTable(r.value(QStringLiteral("Data")).toByteArray(), name));
    }
    if (image.tables_.isEmpty())
        fail("image not recognized");
    std::sort(image.tables_.begin(), image.tables_.end(),
              [](const Table& a, const Table& b) { return a.firstSector < b.firstSector; });
    for (const Table& t : image.tables_) {
        if (t.firstSector > image.sectorCount_ || t.sectorCount > image.sectorCount_ - t.firstSector)
            fail("image not recognized");
        for (const Chunk& c : t.chunks) {
            if (c.sector > t.sectorCount || c.sectorCount > t.sectorCount - c.sector)
                fail("image not recognized");
            if (c.type != Zero && c.type != Ignore &&
                (c.offset > image.dataForkLength_ || c.length > image.dataForkLength_ - c.offset ||
                 c.sectorCount > maxChunkSectors))
                fail("image not recognized");
        }
    }

    const QVariantList pics = resources.value(QStringLiteral("LPic")).toList();
    if (!pics.isEmpty())
        image.licencePic_ = pics.first().toMap().value(QStringLiteral("Data")).toByteArray();
    if (image.licencePic_.isEmpty() && !pics.isEmpty())
        image.licencePic_ = QByteArray(1, '\0');
    for (const QVariant& item : resources.value(QStringLiteral("TEXT")).toList()) {
        const QVariantMap r = item.toMap();
        image.licenceTexts_.append(
            {r.value(QStringLiteral("ID")).toString().toInt(), r.value(QStringLiteral("Data")).toByteArray()});
    }
    return image;
}

QString UdifImage::licenseText() const {
    if (licenceTexts_.isEmpty())
        return {};
    // LPic: default language, count, then (region, index, two-byte flag) entries; the default
    // language's text has the resource id 5000 + its index.
    int wanted = 5000;
    if (licencePic_.size() >= 4) {
        const qint16 language = qFromBigEndian<qint16>(licencePic_.constData());
        const quint16 count = qFromBigEndian<quint16>(licencePic_.constData() + 2);
        for (quint16 i = 0; i < count && 4 + (i + 1) * 6 <= licencePic_.size(); ++i) {
            const char* e = licencePic_.constData() + 4 + i * 6;
            if (qFromBigEndian<qint16>(e) == language) {
                wanted = 5000 + qFromBigEndian<qint16>(e + 2);
                break;
            }
        }
    }
    for (const auto& [id, bytes] : licenceTexts_) {
        if (id == wanted)
            return fromMacRoman(bytes);
    }
    return fromMacRoman(licenceTexts_.first().second);
}

QString UdifImage::formatName() const {
    for (const Table& t : tables_) {
        for (const Chunk& c : t.chunks) {
            switch (c.type) {
            case Zlib:
                return QStringLiteral("UDZO");
            case Bzip2:
                return QStringLiteral("UDBZ");
            case Lzfse:
                return QStringLiteral("ULFO");
            case Lzma:
                return QStringLiteral("ULMO");
            case Adc:
                return QStringLiteral("UDCO");
            default:
                break;
            }
        }
    }
    return QStringLiteral("UDRO");
}

bool UdifImage::isCompressed() const { return formatName() != QLatin1String("UDRO"); }

quint64 UdifImage::expandedBytes(const Table& table) { return table.sectorCount * sectorSize; }

void UdifImage::expand(const Table& table, const QString& outPath) const {
    QFile out(outPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered) ||
        !out.resize(qint64(table.sectorCount * sectorSize)))
        fail("couldn't write the expanded image");
    // Chunks decode apart from each other: a few threads take them in turn, each with a reader
    // and buffers of its own, so that a slow codec (bzip2) is not one core's work alone. Zero
    // runs stay holes.
    std::atomic<qsizetype> next{0};
    std::atomic<bool> stop{false};
    std::mutex failureLock;
    std::exception_ptr failure;
    const auto work = [&] {
        try {
            UdifVolume volume(*this, table);
            for (qsizetype i = next++; i < table.chunks.size() && !stop; i = next++) {
                const Chunk& c = table.chunks[i];
                if (c.type == Zero || c.type == Ignore)
                    continue;
                const std::span<const char> bytes = volume.decode(c);
                for (quint64 done = 0; done < bytes.size();) {
                    const ssize_t n = ::pwrite(out.handle(), bytes.data() + done, bytes.size() - done,
                                               off_t(c.sector * sectorSize + done));
                    if (n <= 0 && errno != EINTR)
                        fail("couldn't write the expanded image");
                    done += n > 0 ? quint64(n) : 0;
                }
            }
        } catch (...) {
            const std::lock_guard lock(failureLock);
            if (!failure)
                failure = std::current_exception();
            stop = true;
        }
    };
    std::vector<std::thread> helpers(std::clamp(std::thread::hardware_concurrency(), 1u, 4u) - 1);
    for (std::thread& helper : helpers)
        helper = std::thread(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);
}
