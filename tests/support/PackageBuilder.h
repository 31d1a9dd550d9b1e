#pragma once

#include "CodeSigner.h"
#include "TestPki.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Writes flat packages (xar) in the real format: a zlib table of contents with its checksum at
// the start of the heap, the RSA signature over the checksum with the certificate chain, a
// PackageInfo and Bom, and a cpio Payload compressed with gzip or pbzx. A product archive puts
// a Distribution at the root and the component in "<name>.pkg/". Hostile forms are built on
// request: tables of contents changed after signing, any payload name or link target.
class PackageBuilder {
public:
    enum class Payload { Gzip, Pbzx, Cpio, Xz, Bzip2 };
    enum class Tamper {
        None,
        Toc,            // the table of contents changed after signing, checksum left as it was
        TocAndChecksum, // ... and its checksum recomputed, so only the signature can tell
    };

    enum class Cms {
        None,
        Valid,        // a detached CMS signature of the checksum beside the RSA one
        OtherContent, // a CMS signature over other bytes
    };

    PackageBuilder& file(const QString& name, const QByteArray& content, int mode = 0644);
    PackageBuilder& folder(const QString& name, int mode = 0755);
    PackageBuilder& symlink(const QString& name, const QString& target);
    PackageBuilder& installLocation(const QString& location);
    PackageBuilder& payload(Payload format);
    PackageBuilder& product(bool on = true);
    PackageBuilder& signedBy(const TestPki::Identity& identity);
    PackageBuilder& sha256(bool on = true);
    // A stapled ticket naming the package, signed by the PKI's ticket signer.
    PackageBuilder& ticket(bool on = true);
    PackageBuilder& tamper(Tamper how);
    PackageBuilder& cms(Cms how);
    // The timestamp token in the CMS signature (a trusted one of now unless told).
    PackageBuilder& timestamp(const CodeSigner::Timestamp& stamp);
    // Replaces the generated payload bytes (for hostile streams).
    PackageBuilder& rawPayload(const QByteArray& bytes);

    QByteArray build() const;
    bool write(const QString& path) const;

    // The common forms of the test PKI.
    static PackageBuilder unsignedPackage();
    static PackageBuilder teamA(bool notarized);
    static PackageBuilder teamB(bool notarized);
    static PackageBuilder untrustedChain();

    // A cpio archive (odc) of the entries, uncompressed.
    QByteArray cpio() const;

    // A xar with this table of contents (already zlib-compressed or not) and heap, a header
    // that may lie about both lengths.
    static QByteArray xar(const QByteArray& compressedToc, quint64 declaredCompressed, quint64 declaredSize,
                          const QByteArray& heap, quint32 checksumAlgorithm = 1);
    static QByteArray zlib(const QByteArray& bytes);
    static QByteArray gzip(const QByteArray& bytes);
    static QByteArray bzip2(const QByteArray& bytes);

private:
    struct Entry {
        enum class Kind { File, Folder, Symlink } kind;
        QString name;
        QByteArray content;
        int mode;
    };
    QList<Entry> entries_;
    QString location_ = QStringLiteral("/Applications");
    Payload payload_ = Payload::Gzip;
    bool product_ = false;
    const TestPki::Identity* identity_ = nullptr;
    bool sha256_ = false;
    bool ticket_ = false;
    Tamper tamper_ = Tamper::None;
    Cms cms_ = Cms::None;
    CodeSigner::Timestamp timestamp_;
    std::optional<QByteArray> rawPayload_;
};
