#include "platform/archives/UdifImage.h"
#include "platform/archives/UdifVolume.h"

#include "UdifWriter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Several chunks of every sort: incompressible, all zeros (a zero chunk), compressible, and a
// tail that ends inside a sector.
QByteArray volumeBytes() {
    QByteArray bytes(1 << 20, Qt::Uninitialized);
    QRandomGenerator random(42);
    random.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
    bytes += QByteArray(1 << 20, '\0');
    while (bytes.size() < (7 << 19))
        bytes += "Contents/Resources/en.lproj/Localizable.strings\n";
    bytes += QByteArray(700, 'x');
    return bytes;
}

} // namespace

// Each chunk kind expands to the volume it was made from, both written out and read as it
// expands from any offset; a chunk whose stored bytes end early or run on is refused.
TEST(UdifVolume, ExpandsEveryChunkKindByteForByteAndRefusesChunksOfTheWrongLength) {
    QTemporaryDir dir;
    const QString raw = dir.filePath("volume.raw");
    const QByteArray plain = volumeBytes();
    {
        QFile f(raw);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(plain);
    }
    constexpr quint64 trailingZeros = 100;
    QByteArray expected = plain + QByteArray((512 - plain.size() % 512) % 512 + trailingZeros * 512, '\0');

    const QList<std::pair<const char*, UdifWriter::Compression>> kinds = {
        {"raw", UdifWriter::Compression::Raw},     {"zlib", UdifWriter::Compression::Zlib},
        {"bzip2", UdifWriter::Compression::Bzip2}, {"lzma", UdifWriter::Compression::Lzma},
        {"adc", UdifWriter::Compression::Adc},
    };
    for (const auto& [label, kind] : kinds) {
        SCOPED_TRACE(label);
        UdifWriter writer;
        writer.compression = kind;
        writer.trailingZeroSectors = trailingZeros;
        const QString imagePath = dir.filePath(QString("%1.dmg").arg(label));
        ASSERT_TRUE(writer.write(raw, imagePath));
        const UdifImage image = UdifImage::open(imagePath);
        ASSERT_EQ(image.tables().size(), 2);
        const UdifImage::Table& table = image.tables()[1];

        const QString expandedPath = dir.filePath(QString("%1.expanded").arg(label));
        image.expand(table, expandedPath);
        EXPECT_TRUE(readAll(expandedPath) == expected) << "written out";

        UdifVolume volume(image, table);
        ASSERT_EQ(volume.size(), quint64(expected.size()));
        QByteArray streamed;
        for (std::span<const char> block; !(block = volume.blockAt(quint64(streamed.size()))).empty();)
            streamed.append(block.data(), qsizetype(block.size()));
        EXPECT_TRUE(streamed == expected) << "read in order";
        // Backwards across chunk and zero-run edges, at offsets inside sectors.
        for (const quint64 at : {quint64(expected.size()) - 3000, quint64(5 << 19) - 77, quint64(2 << 20) - 1,
                                 quint64(1 << 20) - 300, quint64(1)}) {
            EXPECT_TRUE(volume.read(at, 5000) == expected.mid(qsizetype(at), 5000)) << "at " << at;
        }
        EXPECT_TRUE(volume.blockAt(volume.size()).empty());
        EXPECT_TRUE(UdifVolume(image, image.tables()[0]).read(0, 1 << 20) == QByteArray(64 * 512, '\0'))
            << "an ignored run reads as zeros";

        const UdifImage::Chunk first = table.chunks.first();
        QList<std::pair<const char*, UdifImage::Chunk>> wrong;
        UdifImage::Chunk cut = first;
        cut.length -= 100;
        wrong.append({"stored bytes cut short", cut});
        UdifImage::Chunk longer = first;
        longer.sectorCount += 1;
        wrong.append({"ends before the chunk's sectors", longer});
        if (kind != UdifWriter::Compression::Adc) { // stored bytes after the sectors are ignored there
            UdifImage::Chunk shorter = first;
            shorter.sectorCount -= 1;
            wrong.append({"runs on past the chunk's sectors", shorter});
        }
        for (const auto& [what, chunk] : wrong) {
            try {
                volume.decode(chunk);
                ADD_FAILURE() << what << ": expanded";
            } catch (const UdifImage::Failure& e) {
                EXPECT_STREQ(e.what(), "corrupt image data") << what;
            }
        }
        EXPECT_TRUE(volume.read(0, 4096) == expected.left(4096)) << "reads on after a refused chunk";
    }
}
