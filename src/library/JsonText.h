#pragma once

#include <QByteArray>
#include <QStringView>

#include <algorithm>
#include <cstring>

// Compact JSON text appended piece by piece, for request bodies written in bulk: building Qt's
// JSON objects for them costs many times what the bytes do. The caller places the punctuation;
// strings come out quoted and escaped as Qt's own writer escapes them, so either reads back the
// same.
class JsonText {
public:
    // Punctuation, or a key or literal known to need no escaping.
    template <qsizetype N>
    JsonText& raw(const char (&text)[N]) {
        std::memcpy(room(N - 1), text, N - 1);
        size_ += N - 1;
        return *this;
    }
    JsonText& raw(char c) {
        *room(1) = c;
        ++size_;
        return *this;
    }
    // A quoted JSON string: quote, backslash and control characters escaped, an unpaired
    // surrogate as \uXXXX, everything else as UTF-8.
    JsonText& string(QStringView text);
    // "key":
    JsonText& key(QStringView text) { return string(text).raw(':'); }

    void reserve(qsizetype size) { bytes_.resize(std::max(bytes_.size(), size)); }
    QByteArray take() {
        bytes_.truncate(size_);
        size_ = 0;
        return std::move(bytes_);
    }

private:
    // Where `n` more bytes go: the array is kept at least as long as what is written, with spare
    // room past it, and cut to size when taken.
    char* room(qsizetype n) {
        if (size_ + n > bytes_.size())
            bytes_.resize(std::max(2 * bytes_.size(), size_ + n + 64));
        return bytes_.data() + size_;
    }

    QByteArray bytes_;
    qsizetype size_ = 0;
};
