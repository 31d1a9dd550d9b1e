#include "MachOBuilder.h"

namespace MachOBuilder {

uint32_t le32(const QByteArray& bytes, int offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | uint8_t(bytes[offset + i]);
    return value;
}

void putLe32(QByteArray& bytes, int offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
}

void putLe64(QByteArray& bytes, int offset, uint64_t value) {
    for (int i = 0; i < 8; ++i)
        bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
}

void putBe32(QByteArray& bytes, int offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char((value >> (8 * (3 - i))) & 0xFF);
}

QByteArray be32(uint32_t value) {
    QByteArray bytes(4, '\0');
    putBe32(bytes, 0, value);
    return bytes;
}

QByteArray be64(uint64_t value) { return be32(uint32_t(value >> 32)) + be32(uint32_t(value)); }

namespace {

void segment(QByteArray& out, int at, const char* name, uint64_t vmaddr, uint64_t fileoff, uint64_t filesize) {
    putLe32(out, at, 0x19);
    putLe32(out, at + 4, 72);
    for (int i = 0; name[i]; ++i)
        out[at + 8 + i] = name[i];
    putLe64(out, at + 24, vmaddr);
    putLe64(out, at + 32, (filesize + 0x3FFF) & ~uint64_t(0x3FFF));
    putLe64(out, at + 40, fileoff);
    putLe64(out, at + 48, filesize);
    putLe32(out, at + 56, 5);
    putLe32(out, at + 60, 5);
}

} // namespace

QByteArray image(uint32_t cpuType, int textSize, uint32_t seed) {
    constexpr int linkeditSize = 96;
    QByteArray out(textSize + linkeditSize, '\0');
    putLe32(out, 0, 0xFEEDFACF);
    putLe32(out, 4, cpuType);
    putLe32(out, 8, cpuType == arm64 ? 0 : 3);
    putLe32(out, 12, 2); // executable
    putLe32(out, 16, 2);
    putLe32(out, 20, 144);
    segment(out, 32, "__TEXT", 0x100000000ULL, 0, uint64_t(textSize));
    segment(out, 104, "__LINKEDIT", 0x100000000ULL + 0x100000, uint64_t(textSize), linkeditSize);
    // Room for one more load command stays zero up to 0x200, then "code".
    uint32_t state = seed * 2654435761u + 1;
    for (int i = 0x200; i < out.size(); ++i) {
        state = state * 1103515245u + 12345u;
        out[i] = char(state >> 16);
    }
    return out;
}

QByteArray universal(const QList<QByteArray>& images) {
    QByteArray out = be32(0xCAFEBABE) + be32(uint32_t(images.size()));
    QByteArray table;
    qint64 offset = 0x4000;
    QList<qint64> offsets;
    for (const QByteArray& image : images) {
        offsets.append(offset);
        table += be32(le32(image, 4)) + be32(le32(image, 8)) + be32(uint32_t(offset)) + be32(uint32_t(image.size())) +
                 be32(14);
        offset = (offset + image.size() + 0x3FFF) & ~qint64(0x3FFF);
    }
    out += table;
    for (int i = 0; i < images.size(); ++i) {
        out.append(QByteArray(offsets[i] - out.size(), '\0'));
        out += images[i];
    }
    return out;
}

} // namespace MachOBuilder
