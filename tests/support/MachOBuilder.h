#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

// Writes small but well-formed 64-bit little-endian Mach-O executables (a __TEXT segment of
// pseudo-random bytes and a __LINKEDIT segment, with room after the load commands for the
// signature command a signer adds) and universal files made of such images.
namespace MachOBuilder {

inline constexpr uint32_t x86_64 = 0x01000007;
inline constexpr uint32_t arm64 = 0x0100000C;

QByteArray image(uint32_t cpuType, int textSize = 3 * 4096 + 123, uint32_t seed = 1);

// Slices aligned to 16 KiB, in the order given.
QByteArray universal(const QList<QByteArray>& images);

uint32_t le32(const QByteArray& bytes, int offset);
void putLe32(QByteArray& bytes, int offset, uint32_t value);
void putLe64(QByteArray& bytes, int offset, uint64_t value);
void putBe32(QByteArray& bytes, int offset, uint32_t value);
QByteArray be32(uint32_t value);
QByteArray be64(uint64_t value);

} // namespace MachOBuilder
