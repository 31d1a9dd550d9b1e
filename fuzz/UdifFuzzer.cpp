// libFuzzer target for disk images: the trailer, the property list, the block tables, the licence
// and the expansion of every table small enough to write, to a file and read as it expands.
#include "FuzzInput.h"
#include "platform/archives/UdifImage.h"
#include "platform/archives/UdifVolume.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = FuzzInput::file(data, size, QStringLiteral("image.dmg"));
    const QString out = FuzzInput::folder().filePath(QStringLiteral("expanded"));
    try {
        const UdifImage image = UdifImage::open(path);
        image.licenseText();
        image.formatName();
        for (const UdifImage::Table& table : image.tables()) {
            if (UdifImage::expandedBytes(table) > (16u << 20))
                continue;
            QFile::remove(out);
            try {
                image.expand(table, out);
            } catch (const std::exception&) {}
            try {
                UdifVolume volume(image, table);
                for (quint64 at = 0; at < volume.size();)
                    at += volume.blockAt(at).size();
            } catch (const std::exception&) {}
        }
    } catch (const std::exception&) {}
    QFile::remove(out);
    return 0;
}
