#pragma once

#include <QString>
#include <QUrl>

#include <cstdint>
#include <optional>

// The file of a release.
struct Download {
    QUrl url;
    std::optional<std::int64_t> size;   // expected length in bytes
    std::optional<QString> sha256;      // expected digest, hexadecimal
    std::optional<QString> edSignature; // the appcast's EdDSA signature of the file
    std::optional<QString> package;     // the installer package inside the download
};
