#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>

#include <cstdint>
#include <optional>

class FileReader;

// Reading thin and universal Mach-O files as far as code signing needs: the architecture slices
// and where each one's embedded signature lies. Everything is read from the device by offset,
// never the whole file, and every offset and count is checked against the file before use.
namespace MachO {

inline constexpr uint32_t cpuX86_64 = 0x01000007;
inline constexpr uint32_t cpuArm64 = 0x0100000C;
// No real signature comes near this; a larger one is read only this far.
inline constexpr qint64 maxSignature = 64 * 1024 * 1024;

struct Slice {
    uint32_t cpuType = 0;
    uint32_t cpuSubtype = 0;
    qint64 offset = 0; // of the thin image in the file
    qint64 size = 0;
    uint32_t fileType = 0;
    // Where LC_CODE_SIGNATURE points, relative to the slice; absent when the image is unsigned.
    std::optional<qint64> signatureOffset;
    qint64 signatureSize = 0;
};

// The slices of a Mach-O file (one for a thin file), or nothing when the device does not hold a
// well-formed Mach-O file. A signature command that points outside its slice makes the file
// malformed.
std::optional<QList<Slice>> slices(QIODevice& file);
std::optional<QList<Slice>> slices(FileReader& file);

// The bytes of a slice's signature, at most `limit` of them. Nothing when the slice is unsigned
// or the read fails.
std::optional<QByteArray> signatureBytes(QIODevice& file, const Slice& slice, qint64 limit = maxSignature);

// Exactly `length` bytes at `offset`, or nothing.
std::optional<QByteArray> readAt(QIODevice& file, qint64 offset, qint64 length);

} // namespace MachO
