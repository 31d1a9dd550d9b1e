#include "platform/codesign/EmbeddedSignature.h"

#include "platform/codesign/ByteReader.h"
#include "platform/files/FileReader.h"

#include <QVarLengthArray>

namespace {

constexpr uint32_t blobWrapperMagic = 0xFADE0B01;
constexpr uint32_t requirementsMagic = 0xFADE0C01;
constexpr uint32_t maxEntries = 64;

struct IndexEntry {
    uint32_t slot = 0;
    uint32_t offset = 0; // from the start of the super blob
    uint32_t length = 0;
    uint32_t magic = 0;
};
using Index = QVarLengthArray<IndexEntry, 8>;

bool isDirectorySlot(uint32_t slot) {
    return slot == EmbeddedSignature::slotCodeDirectory ||
           (slot >= EmbeddedSignature::slotAlternateFirst && slot <= EmbeddedSignature::slotAlternateLast);
}

// Whether a blob other than a code directory has the magic its slot calls for.
bool magicFits(const IndexEntry& entry) {
    if (entry.slot == EmbeddedSignature::slotRequirements)
        return entry.magic == requirementsMagic;
    if (entry.slot == EmbeddedSignature::slotSignature)
        return entry.magic == blobWrapperMagic;
    return true;
}

// The index of the super blob whose first `available` bytes `read(offset, length)` gives, with
// every entry checked as parse() promises; the blobs themselves are not read beyond their
// headers. `read` gives views that may last only until its next call.
template <typename Read>
std::optional<Index> indexOf(qint64 available, Read read) {
    const auto head = read(0, 12);
    if (!head)
        return std::nullopt;
    const ByteReader outer(*head);
    const uint32_t length = *outer.be32(4);
    const uint32_t count = *outer.be32(8);
    if (outer.be32(0) != EmbeddedSignature::magic || length < 12 || qint64(length) > available || count > maxEntries ||
        qint64(count) * 8 > qint64(length) - 12)
        return std::nullopt;
    Index index;
    if (const auto table = read(12, qint64(count) * 8)) {
        const ByteReader r(*table);
        for (uint32_t i = 0; i < count; ++i)
            index.append({*r.be32(qint64(i) * 8), *r.be32(qint64(i) * 8 + 4)});
    } else {
        return std::nullopt;
    }
    const auto inside = [&](qint64 offset, qint64 size) { return size <= qint64(length) - offset; };
    for (IndexEntry& entry : index) {
        if (entry.offset < 12 + count * 8 || !inside(entry.offset, 8))
            return std::nullopt;
        const auto header = read(entry.offset, 8);
        if (!header)
            return std::nullopt;
        entry.magic = *ByteReader(*header).be32(0);
        entry.length = *ByteReader(*header).be32(4);
        if (entry.length < 8 || !inside(entry.offset, entry.length))
            return std::nullopt;
        for (const IndexEntry& other : index) {
            if (&other != &entry && other.slot == entry.slot)
                return std::nullopt;
        }
    }
    return index;
}

} // namespace

std::optional<EmbeddedSignature> EmbeddedSignature::parse(QByteArrayView bytes) {
    const ByteReader all(bytes);
    const auto index = indexOf(bytes.size(), [&](qint64 offset, qint64 length) { return all.slice(offset, length); });
    if (!index)
        return std::nullopt;
    EmbeddedSignature signature;
    QMap<uint32_t, CodeDirectory> directories;
    for (const IndexEntry& entry : *index) {
        const QByteArrayView blob = bytes.sliced(entry.offset, entry.length);
        if (!magicFits(entry))
            return std::nullopt;
        signature.blobs.insert(entry.slot, blob.toByteArray());
        if (isDirectorySlot(entry.slot)) {
            auto cd = CodeDirectory::parse(blob);
            if (!cd)
                return std::nullopt;
            directories.insert(entry.slot, std::move(*cd));
        } else if (entry.slot == slotRequirements) {
            signature.requirements = blob.toByteArray();
        } else if (entry.slot == slotSignature) {
            signature.cms = blob.sliced(8).toByteArray();
        }
    }
    if (!directories.contains(slotCodeDirectory))
        return std::nullopt;
    for (auto it = directories.cbegin(); it != directories.cend(); ++it)
        signature.codeDirectories.append(it.value());
    return signature;
}

std::optional<CodeDirectory> EmbeddedSignature::primaryDirectory(FileReader& file, qint64 offset, qint64 size) {
    const auto read = [&](qint64 at, qint64 length) -> std::optional<QByteArrayView> {
        if (at + length > size)
            return std::nullopt;
        return file.read(offset + at, length);
    };
    const auto index = indexOf(size, read);
    if (!index)
        return std::nullopt;
    std::optional<CodeDirectory> primary;
    for (const IndexEntry& entry : *index) {
        if (!magicFits(entry))
            return std::nullopt;
        if (!isDirectorySlot(entry.slot))
            continue;
        const auto blob = read(entry.offset, entry.length);
        auto cd = blob ? CodeDirectory::parse(*blob) : std::nullopt;
        if (!cd)
            return std::nullopt;
        if (entry.slot == slotCodeDirectory)
            primary = std::move(cd);
    }
    return primary;
}
