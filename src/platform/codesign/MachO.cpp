#include "platform/codesign/MachO.h"

#include "platform/codesign/ByteReader.h"
#include "platform/files/FileReader.h"

namespace MachO {
namespace {

constexpr uint32_t thin32 = 0xFEEDFACE;
constexpr uint32_t thin64 = 0xFEEDFACF;
constexpr uint32_t fat32 = 0xCAFEBABE;
constexpr uint32_t fat64 = 0xCAFEBABF;
constexpr uint32_t lcCodeSignature = 0x1D;
// Real universal files carry a handful of slices; Java class files share the fat magic and
// have a version number here, which is far larger.
constexpr uint32_t maxFatSlices = 32;
constexpr qint64 maxLoadCommands = 16 * 1024 * 1024;

// A QIODevice read as FileReader reads: views that last until the next read.
class DeviceReader {
public:
    explicit DeviceReader(QIODevice& file) : file_(file) {}
    qint64 size() const { return file_.size(); }
    std::optional<QByteArrayView> read(qint64 offset, qint64 length) {
        auto bytes = readAt(file_, offset, length);
        if (!bytes)
            return std::nullopt;
        last_ = std::move(*bytes);
        return QByteArrayView(last_);
    }

private:
    QIODevice& file_;
    QByteArray last_;
};

template <typename Reader>
bool readThin(Reader& file, Slice& slice) {
    const auto head = file.read(slice.offset, std::min<qint64>(32, slice.size));
    if (!head || head->size() < 28)
        return false;
    const ByteReader header(*head);
    bool bigEndian = false;
    bool is64 = false;
    const uint32_t magic = *header.be32(0);
    if (magic == thin32 || magic == thin64) {
        bigEndian = true;
        is64 = magic == thin64;
    } else {
        const uint32_t swapped = *header.le32(0);
        if (swapped != thin32 && swapped != thin64)
            return false;
        is64 = swapped == thin64;
    }
    const auto word = [&](const ByteReader& r, qint64 at) { return bigEndian ? r.be32(at) : r.le32(at); };
    const qint64 headerSize = is64 ? 32 : 28;
    if (head->size() < headerSize)
        return false;
    slice.cpuType = *word(header, 4);
    slice.cpuSubtype = *word(header, 8);
    slice.fileType = *word(header, 12);
    const uint32_t count = *word(header, 16);
    const qint64 commandsSize = *word(header, 20);
    if (commandsSize > maxLoadCommands || commandsSize > slice.size - headerSize || qint64(count) * 8 > commandsSize)
        return false;
    const auto commands = file.read(slice.offset + headerSize, commandsSize);
    if (!commands)
        return false;
    const ByteReader r(*commands);
    qint64 at = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const auto cmd = word(r, at);
        const auto cmdSize = word(r, at + 4);
        if (!cmd || !cmdSize || *cmdSize < 8 || !r.contains(at, *cmdSize))
            return false;
        if (*cmd == lcCodeSignature) {
            const auto dataOffset = word(r, at + 8);
            const auto dataSize = word(r, at + 12);
            if (*cmdSize < 16 || !dataOffset || !dataSize || slice.signatureOffset)
                return false;
            if (qint64(*dataOffset) > slice.size || qint64(*dataSize) > slice.size - *dataOffset)
                return false;
            slice.signatureOffset = *dataOffset;
            slice.signatureSize = *dataSize;
        }
        at += *cmdSize;
    }
    return true;
}

template <typename Reader>
std::optional<QList<Slice>> slicesOf(Reader& file) {
    const qint64 fileSize = file.size();
    const auto head = file.read(0, std::min<qint64>(8, fileSize));
    if (!head || head->size() < 8)
        return std::nullopt;
    const ByteReader header(*head);
    const uint32_t magic = *header.be32(0);
    QList<Slice> result;
    if (magic == fat32 || magic == fat64) {
        const uint32_t count = *header.be32(4);
        if (count == 0 || count > maxFatSlices)
            return std::nullopt;
        const qint64 entrySize = magic == fat64 ? 32 : 20;
        const auto tableView = file.read(8, qint64(count) * entrySize);
        if (!tableView)
            return std::nullopt;
        // Copied: reading each slice's header replaces what the reader holds.
        const QByteArray table = tableView->toByteArray();
        const ByteReader r(table);
        const qint64 tableEnd = 8 + qint64(count) * entrySize;
        for (uint32_t i = 0; i < count; ++i) {
            const qint64 at = qint64(i) * entrySize;
            Slice slice;
            slice.cpuType = *r.be32(at);
            slice.cpuSubtype = *r.be32(at + 4);
            uint64_t offset = 0;
            uint64_t size = 0;
            if (magic == fat64) {
                offset = *r.be64(at + 8);
                size = *r.be64(at + 16);
            } else {
                offset = *r.be32(at + 8);
                size = *r.be32(at + 12);
            }
            if (offset < uint64_t(tableEnd) || offset > uint64_t(fileSize) || size > uint64_t(fileSize) - offset)
                return std::nullopt;
            slice.offset = qint64(offset);
            slice.size = qint64(size);
            const uint32_t cpuType = slice.cpuType;
            if (!readThin(file, slice) || slice.cpuType != cpuType)
                return std::nullopt;
            result.append(slice);
        }
        return result;
    }
    Slice slice;
    slice.size = fileSize;
    if (!readThin(file, slice))
        return std::nullopt;
    result.append(slice);
    return result;
}

} // namespace

std::optional<QByteArray> readAt(QIODevice& file, qint64 offset, qint64 length) {
    if (offset < 0 || length < 0 || offset > file.size() || length > file.size() - offset)
        return std::nullopt;
    if (!file.seek(offset))
        return std::nullopt;
    QByteArray bytes = file.read(length);
    if (bytes.size() != length)
        return std::nullopt;
    return bytes;
}

std::optional<QList<Slice>> slices(QIODevice& file) {
    DeviceReader reader(file);
    return slicesOf(reader);
}

std::optional<QList<Slice>> slices(FileReader& file) { return slicesOf(file); }

std::optional<QByteArray> signatureBytes(QIODevice& file, const Slice& slice, qint64 limit) {
    if (!slice.signatureOffset)
        return std::nullopt;
    return readAt(file, slice.offset + *slice.signatureOffset, std::min(slice.signatureSize, limit));
}

} // namespace MachO
