#pragma once

#include "platform/files/UniqueFd.h"
#include "runtime/StreamingHash.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

#include <optional>
#include <stdexcept>

// A flat package (xar archive) read from untrusted bytes: the header, the zlib table of contents
// and its checksum, the signature elements and the stapled ticket after the heap. Every heap
// access is checked against the file's size; sizes and counts are bounded so a lying header or
// a huge table of contents is refused instead of read.
class XarArchive {
public:
    // A damaged or hostile archive; the message is a complete sentence.
    struct Failure : std::runtime_error {
        using std::runtime_error::runtime_error;
    };

    enum class Digest { None, Sha1, Md5, Sha256, Sha512 };

    struct Data {
        qint64 offset = 0;
        qint64 length = 0; // stored bytes in the heap
        qint64 size = 0;   // bytes once decoded
        QString encoding;  // "application/octet-stream", "application/x-gzip", ...
        Digest archivedStyle = Digest::None;
        QByteArray archivedChecksum; // raw bytes
        Digest extractedStyle = Digest::None;
        QByteArray extractedChecksum;
    };

    struct Entry {
        QString path; // "/"-joined names from the root, checked to hold no "..", "." or empty part
        QString type; // "file", "directory", "symlink", ...
        int mode = 0644;
        QString link;
        std::optional<Data> data;
    };

    struct Signature {
        QString style; // "RSA" or "CMS"
        qint64 offset = 0;
        qint64 size = 0;
        QList<QByteArray> certificates; // DER, leaf first, as the archive lists them
    };

    // Reads the header, the table of contents and the trailer. Throws Failure.
    static XarArchive open(const QString& path);
    // The same for bytes in memory (the fuzz target).
    static XarArchive parse(const QByteArray& bytes);

    Digest digest = Digest::None; // from the header, agreeing with the table of contents
    QByteArray compressedToc;
    QByteArray tocXml;
    qint64 checksumOffset = 0;
    qint64 checksumSize = 0;
    std::optional<Signature> signature;    // the RSA signature
    std::optional<Signature> cmsSignature; // the CMS one, when present
    QList<Entry> entries;
    std::optional<QByteArray> ticket; // the stapled notarisation ticket

    // The digest of the compressed table of contents, by the header's algorithm.
    QByteArray tocDigest() const;
    // Whether the checksum stored in the heap is that digest (false for "none").
    bool checksumMatches() const;
    // `size` heap bytes at `offset`; throws Failure when they are not all inside the file.
    QByteArray heap(qint64 offset, qint64 size) const;

    const Entry* find(const QString& path) const;

    // Decodes an entry's data into `out`, at most `limit` decoded bytes, checking the stored and
    // decoded checksums (XarDataStream reads it piece by piece). Throws Failure.
    void extract(const Entry& entry, QIODevice& out, qint64 limit) const;
    // The same into memory (small files such as PackageInfo).
    QByteArray read(const Entry& entry, qint64 limit) const;

    static std::optional<int> digestLength(Digest digest);
    // The hash behind a checksum style; none for "none".
    static std::optional<StreamingHash::Algorithm> algorithm(Digest digest);

private:
    friend class XarDataStream;

    QString path_;     // empty for archives in memory
    QByteArray bytes_; // the archive in memory, for parse()
    qint64 fileSize_ = 0;
    qint64 heapStart_ = 0;
    qint64 heapLimit_ = 0; // end of the heap: the ticket trailer, when there is one, lies beyond

    static XarArchive load(const QString& path, const QByteArray* bytes);
    // Throws Failure unless `size` bytes at `offset` lie inside the first `end` bytes.
    static void within(qint64 offset, qint64 size, qint64 end);
    // Where heap offset `offset` lies in the file, once `size` bytes there are within the heap.
    qint64 heapOffset(qint64 offset, qint64 size) const;
    // The file to read from, or nothing for archives in memory. Throws Failure.
    UniqueFd openFile() const;
    // Every heap, header and trailer read: `size` bytes at `offset` of the archive into
    // `buffer`, through `fd` from openFile(). Throws Failure when they are not all there.
    void readInto(const UniqueFd& fd, qint64 offset, char* buffer, qint64 size) const;
    QByteArray readAt(qint64 offset, qint64 size) const;
};
