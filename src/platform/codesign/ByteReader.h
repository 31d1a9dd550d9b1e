#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

// Bounds-checked reads from untrusted bytes. Offsets and lengths are 64-bit and checked without
// adding them first, so hostile values can never wrap around; a read that leaves the buffer gives
// nothing.
class ByteReader {
public:
    explicit ByteReader(QByteArrayView data) : data_(data) {}

    qint64 size() const { return data_.size(); }

    bool contains(qint64 offset, qint64 length) const {
        return offset >= 0 && length >= 0 && offset <= data_.size() && length <= data_.size() - offset;
    }

    std::optional<uint8_t> u8(qint64 offset) const {
        if (!contains(offset, 1))
            return std::nullopt;
        return uint8_t(data_[offset]);
    }

    std::optional<uint32_t> be32(qint64 offset) const { return read<uint32_t>(offset, true); }
    std::optional<uint32_t> le32(qint64 offset) const { return read<uint32_t>(offset, false); }
    std::optional<uint64_t> be64(qint64 offset) const { return read<uint64_t>(offset, true); }
    std::optional<uint64_t> le64(qint64 offset) const { return read<uint64_t>(offset, false); }

    std::optional<QByteArrayView> slice(qint64 offset, qint64 length) const {
        if (!contains(offset, length))
            return std::nullopt;
        return data_.sliced(offset, length);
    }

    // A NUL-terminated string that starts at `offset` and ends before `end`.
    std::optional<QByteArray> cString(qint64 offset, qint64 end) const {
        if (end > data_.size() || offset < 0 || offset >= end)
            return std::nullopt;
        for (qint64 i = offset; i < end; ++i) {
            if (data_[i] == '\0')
                return data_.sliced(offset, i - offset).toByteArray();
        }
        return std::nullopt;
    }

private:
    template <typename T>
    std::optional<T> read(qint64 offset, bool bigEndian) const {
        if (!contains(offset, qint64(sizeof(T))))
            return std::nullopt;
        T value = 0;
        for (qint64 i = 0; i < qint64(sizeof(T)); ++i) {
            const qint64 at = bigEndian ? offset + i : offset + qint64(sizeof(T)) - 1 - i;
            value = T(value << 8) | T(uint8_t(data_[at]));
        }
        return value;
    }

    QByteArrayView data_;
};
