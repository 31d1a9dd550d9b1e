#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

// One code directory blob: what the code is called, which team signed it, and the hashes of its
// pages and of the things sealed beside it (special slots).
class CodeDirectory {
public:
    static constexpr uint32_t magic = 0xFADE0C02;
    static constexpr uint32_t flagAdhoc = 0x2;
    static constexpr uint32_t flagRuntime = 0x10000;

    // Nothing unless `blob` is exactly one well-formed code directory whose strings and hash
    // table all lie inside it.
    static std::optional<CodeDirectory> parse(QByteArrayView blob);

    uint32_t version = 0;
    uint32_t flags = 0;
    QString identifier;
    std::optional<QString> teamIdentifier;
    uint32_t specialSlots = 0;
    uint32_t codeSlots = 0;
    uint64_t codeLimit = 0;
    int hashType = 0;
    int hashSize = 0;
    uint8_t platform = 0;
    uint8_t pageSizeLog2 = 0;
    QByteArray bytes; // the whole blob, what the cdhash covers

    // The hash stored for code page `index` (0-based) or special slot `-slot`.
    QByteArrayView codeSlot(uint32_t index) const;
    QByteArrayView specialSlot(uint32_t slot) const;
    // Whether special slot `slot` is present and not all zero (an unused slot).
    bool hasSpecialSlot(uint32_t slot) const;

    // The full hash of the blob in its own hash type, and the 20-byte form lists compare.
    QByteArray cdhash() const;
    QByteArray cdhash20() const { return cdhash().left(20); }

private:
    uint32_t hashOffset_ = 0;
};
