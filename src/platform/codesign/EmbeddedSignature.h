#pragma once

#include "platform/codesign/CodeDirectory.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QMap>

#include <optional>

class FileReader;

// The embedded-signature super blob of one Mach-O slice: its code directories (the primary one
// first), the requirement set, the CMS signature and the other sealed blobs by slot.
class EmbeddedSignature {
public:
    static constexpr uint32_t magic = 0xFADE0CC0;
    static constexpr uint32_t slotCodeDirectory = 0;
    static constexpr uint32_t slotRequirements = 2;
    static constexpr uint32_t slotEntitlements = 5;
    static constexpr uint32_t slotAlternateFirst = 0x1000;
    static constexpr uint32_t slotAlternateLast = 0x1004;
    static constexpr uint32_t slotSignature = 0x10000;

    // Nothing unless the bytes start with a well-formed super blob (its length is trusted over
    // the load command's size) holding a primary code directory; every index entry and every
    // sub-blob must lie inside it and no slot may appear twice.
    static std::optional<EmbeddedSignature> parse(QByteArrayView bytes);

    // The primary code directory of the super blob of `size` bytes at `offset` in `file`, when
    // parse() would take the blob: only the index, the headers of the other blobs and the code
    // directories are read.
    static std::optional<CodeDirectory> primaryDirectory(FileReader& file, qint64 offset, qint64 size);

    QList<CodeDirectory> codeDirectories;   // slot 0 first, then the alternates in slot order
    std::optional<QByteArray> requirements; // the whole requirement-set blob
    QByteArray cms;                         // the DER inside the signature wrapper; empty for ad-hoc signatures
    QMap<uint32_t, QByteArray> blobs;       // every sub-blob by slot, as stored

    const CodeDirectory& primary() const { return codeDirectories.first(); }
};
