// libFuzzer target for the flat-package reader: the header, the table of contents and its
// XML, heap reads, file decoding, payload decoding (gzip, pbzx, bzip2, xz) and the signature
// check over whatever the input claims.
#include "FuzzInput.h"
#include "platform/codesign/Anchors.h"
#include "platform/archives/PackageInstaller.h"
#include "platform/archives/PackageSignature.h"
#include "platform/archives/PayloadStream.h"
#include "platform/archives/XarArchive.h"
#include "platform/archives/XarDataStream.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    static const Anchors noAnchors;
    try {
        const XarArchive archive = XarArchive::parse(bytes);
        archive.checksumMatches();
        PackageSignature::check(archive, noAnchors);
        for (const XarArchive::Entry& entry : archive.entries) {
            try {
                QByteArray out;
                QBuffer buffer(&out);
                buffer.open(QIODevice::WriteOnly);
                archive.extract(entry, buffer, 1 << 20);
            } catch (const XarArchive::Failure&) {}
            try {
                ExpansionLimit limits;
                limits.lowerTo(1 << 22);
                XarDataStream stored(archive, entry, 1 << 20);
                PayloadStream(stored, limits).drain();
            } catch (const XarArchive::Failure&) {
            } catch (const PackageInstaller::Failure&) {}
        }
    } catch (const XarArchive::Failure&) {}
    return 0;
}
