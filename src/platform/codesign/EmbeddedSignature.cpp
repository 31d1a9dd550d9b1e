#include "platform/codesign/EmbeddedSignature.h"

#include "platform/codesign/ByteReader.h"

namespace {

constexpr uint32_t blobWrapperMagic = 0xFADE0B01;
constexpr uint32_t requirementsMagic = 0xFADE0C01;
constexpr uint32_t maxEntries = 64;

} // namespace

std::optional<EmbeddedSignature> EmbeddedSignature::parse(QByteArrayView bytes) {
    const ByteReader outer(bytes);
    if (outer.be32(0) != magic)
        return std::nullopt;
    const auto length = outer.be32(4);
    const auto count = outer.be32(8);
    if (!length || !count || *length < 12 || qint64(*length) > bytes.size() || *count > maxEntries
        || qint64(*count) * 8 > qint64(*length) - 12)
        return std::nullopt;
    const ByteReader r(bytes.first(*length));
    EmbeddedSignature signature;
    QMap<uint32_t, CodeDirectory> directories;
    for (uint32_t i = 0; i < *count; ++i) {
        const uint32_t slot = *r.be32(12 + qint64(i) * 8);
        const uint32_t offset = *r.be32(16 + qint64(i) * 8);
        const auto blobLength = r.be32(qint64(offset) + 4);
        if (offset < 12 + *count * 8 || !blobLength || *blobLength < 8
            || !r.contains(offset, *blobLength) || signature.blobs.contains(slot))
            return std::nullopt;
        const QByteArrayView blob = *r.slice(offset, *blobLength);
        const uint32_t blobMagic = *ByteReader(blob).be32(0);
        signature.blobs.insert(slot, blob.toByteArray());
        if (slot == slotCodeDirectory || (slot >= slotAlternateFirst && slot <= slotAlternateLast)) {
            auto cd = CodeDirectory::parse(blob);
            if (!cd)
                return std::nullopt;
            directories.insert(slot, std::move(*cd));
        } else if (slot == slotRequirements) {
            if (blobMagic != requirementsMagic)
                return std::nullopt;
            signature.requirements = blob.toByteArray();
        } else if (slot == slotSignature) {
            if (blobMagic != blobWrapperMagic)
                return std::nullopt;
            signature.cms = blob.sliced(8).toByteArray();
        }
    }
    if (!directories.contains(slotCodeDirectory))
        return std::nullopt;
    for (auto it = directories.cbegin(); it != directories.cend(); ++it)
        signature.codeDirectories.append(it.value());
    return signature;
}
