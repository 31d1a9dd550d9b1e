#include "platform/codesign/CodeDirectory.h"

#include "platform/codesign/ByteReader.h"
#include "platform/codesign/CodeHash.h"

namespace {

// Header size implied by each version; a reader never looks past it.
qint64 headerSize(uint32_t version) {
    if (version >= 0x20600)
        return 108;
    if (version >= 0x20500)
        return 96;
    if (version >= 0x20400)
        return 88;
    if (version >= 0x20300)
        return 64;
    if (version >= 0x20200)
        return 52;
    if (version >= 0x20100)
        return 48;
    return 44;
}

constexpr uint32_t earliestVersion = 0x20001;
constexpr uint32_t latestVersion = 0x2F000;

} // namespace

std::optional<CodeDirectory> CodeDirectory::parse(QByteArrayView blob) {
    const ByteReader r(blob);
    if (r.be32(0) != magic || r.be32(4) != uint32_t(blob.size()))
        return std::nullopt;
    CodeDirectory cd;
    cd.version = r.be32(8).value_or(0);
    if (cd.version < earliestVersion || cd.version > latestVersion)
        return std::nullopt;
    const qint64 header = headerSize(cd.version);
    if (blob.size() < header)
        return std::nullopt;
    cd.flags = *r.be32(12);
    cd.hashOffset_ = *r.be32(16);
    const uint32_t identOffset = *r.be32(20);
    cd.specialSlots = *r.be32(24);
    cd.codeSlots = *r.be32(28);
    cd.codeLimit = *r.be32(32);
    cd.hashSize = *r.u8(36);
    cd.hashType = *r.u8(37);
    cd.platform = *r.u8(38);
    cd.pageSizeLog2 = *r.u8(39);
    if (cd.hashSize == 0 || cd.hashSize != CodeHash::size(cd.hashType) || cd.pageSizeLog2 > 30)
        return std::nullopt;
    if (cd.version >= 0x20300) {
        const uint64_t limit64 = *r.be64(56);
        if (limit64 != 0)
            cd.codeLimit = limit64;
    }
    // The hash table: special slots below hashOffset, code slots from it, all past the header.
    const qint64 specialBytes = qint64(cd.specialSlots) * cd.hashSize;
    const qint64 codeBytes = qint64(cd.codeSlots) * cd.hashSize;
    if (qint64(cd.hashOffset_) - specialBytes < header || !r.contains(cd.hashOffset_, codeBytes))
        return std::nullopt;
    const auto ident = r.cString(identOffset, blob.size());
    if (identOffset < header || !ident)
        return std::nullopt;
    cd.identifier = QString::fromUtf8(*ident);
    if (cd.version >= 0x20200) {
        const uint32_t teamOffset = *r.be32(48);
        if (teamOffset != 0) {
            const auto team = r.cString(teamOffset, blob.size());
            if (teamOffset < header || !team)
                return std::nullopt;
            cd.teamIdentifier = QString::fromUtf8(*team);
        }
    }
    cd.bytes = blob.toByteArray();
    return cd;
}

QByteArrayView CodeDirectory::codeSlot(uint32_t index) const {
    if (index >= codeSlots)
        return {};
    return QByteArrayView(bytes).sliced(qint64(hashOffset_) + qint64(index) * hashSize, hashSize);
}

QByteArrayView CodeDirectory::specialSlot(uint32_t slot) const {
    if (slot == 0 || slot > specialSlots)
        return {};
    return QByteArrayView(bytes).sliced(qint64(hashOffset_) - qint64(slot) * hashSize, hashSize);
}

bool CodeDirectory::hasSpecialSlot(uint32_t slot) const {
    const QByteArrayView hash = specialSlot(slot);
    if (hash.isEmpty())
        return false;
    for (const char c : hash) {
        if (c != 0)
            return true;
    }
    return false;
}

QByteArray CodeDirectory::cdhash() const { return CodeHash::of(hashType, bytes); }
