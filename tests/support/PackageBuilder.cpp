#include "PackageBuilder.h"

#include "CodeSigner.h"

#include <QCryptographicHash>
#include <QFile>

#include <archive.h>
#include <archive_entry.h>
#include <lzma.h>
#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <zlib.h>

#include <stdexcept>

namespace {

QByteArray bigEndian(quint64 value, int width) {
    QByteArray out(width, '\0');
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char(value & 0xff);
        value >>= 8;
    }
    return out;
}

QByteArray littleEndian(quint64 value, int width) {
    QByteArray out(width, '\0');
    for (int i = 0; i < width; ++i) {
        out[i] = char(value & 0xff);
        value >>= 8;
    }
    return out;
}

QByteArray xz(const QByteArray& bytes) {
    QByteArray out(bytes.size() + 4096, Qt::Uninitialized);
    size_t position = 0;
    if (lzma_easy_buffer_encode(1, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const uint8_t*>(bytes.constData()),
                                size_t(bytes.size()), reinterpret_cast<uint8_t*>(out.data()), &position,
                                size_t(out.size())) != LZMA_OK)
        throw std::runtime_error("xz failed");
    out.truncate(qsizetype(position));
    return out;
}

// pbzx with small chunks, the first compressed and the others stored, as large payloads mix them.
QByteArray pbzx(const QByteArray& cpio) {
    constexpr qsizetype chunk = 4096;
    QByteArray out = "pbzx" + bigEndian(chunk, 8);
    for (qsizetype at = 0, index = 0; at < cpio.size(); at += chunk, ++index) {
        const QByteArray piece = cpio.mid(at, chunk);
        const QByteArray stored = index % 2 == 0 ? xz(piece) : piece;
        out += bigEndian(quint64(piece.size()), 8) + bigEndian(quint64(stored.size()), 8) + stored;
    }
    return out;
}

QByteArray hash(const QByteArray& bytes, bool sha256) {
    return QCryptographicHash::hash(bytes, sha256 ? QCryptographicHash::Sha256 : QCryptographicHash::Sha1);
}

QByteArray rsaSign(const TestPki::Identity& identity, const QByteArray& digest, bool sha256) {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(identity.key.get(), nullptr);
    size_t length = 0;
    EVP_PKEY_sign_init(ctx);
    EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING);
    EVP_PKEY_CTX_set_signature_md(ctx, sha256 ? EVP_sha256() : EVP_sha1());
    const auto* in = reinterpret_cast<const unsigned char*>(digest.constData());
    EVP_PKEY_sign(ctx, nullptr, &length, in, size_t(digest.size()));
    QByteArray out(qsizetype(length), Qt::Uninitialized);
    if (EVP_PKEY_sign(ctx, reinterpret_cast<unsigned char*>(out.data()), &length, in, size_t(digest.size())) != 1) {
        EVP_PKEY_CTX_free(ctx);
        throw std::runtime_error("RSA signing failed");
    }
    EVP_PKEY_CTX_free(ctx);
    out.truncate(qsizetype(length));
    return out;
}

QByteArray ticketFor(const QByteArray& digest, bool sha256) {
    const QByteArray content = "2/" + QByteArray::number(sha256 ? 2 : 1) + "/" + digest.left(20).toHex() + "\n";
    return CodeSigner::cms(content, TestPki::shared().ticketSigner, false, {},
                           {CodeSigner::Timestamp::By::None, std::nullopt});
}

QByteArray trailer(quint16 type, quint32 length) {
    return "t8lr" + littleEndian(1, 2) + littleEndian(type, 2) + littleEndian(length, 4) + littleEndian(0, 4);
}

struct Stored {
    QString name;
    QByteArray stored;
    QByteArray extracted;
    bool zlibEncoded;
};

QString dataXml(const Stored& file, qint64 offset, bool sha256) {
    const QString style = sha256 ? QStringLiteral("sha256") : QStringLiteral("sha1");
    return QStringLiteral("<data><offset>%1</offset><length>%2</length><size>%3</size>"
                          "<encoding style=\"%4\"/>"
                          "<archived-checksum style=\"%5\">%6</archived-checksum>"
                          "<extracted-checksum style=\"%5\">%7</extracted-checksum></data>")
        .arg(offset)
        .arg(file.stored.size())
        .arg(file.extracted.size())
        .arg(file.zlibEncoded ? QStringLiteral("application/x-gzip") : QStringLiteral("application/octet-stream"),
             style, QString::fromLatin1(hash(file.stored, sha256).toHex()),
             QString::fromLatin1(hash(file.extracted, sha256).toHex()));
}

} // namespace

PackageBuilder& PackageBuilder::file(const QString& name, const QByteArray& content, int mode) {
    entries_.append({Entry::Kind::File, name, content, mode});
    return *this;
}

PackageBuilder& PackageBuilder::folder(const QString& name, int mode) {
    entries_.append({Entry::Kind::Folder, name, {}, mode});
    return *this;
}

PackageBuilder& PackageBuilder::symlink(const QString& name, const QString& target) {
    entries_.append({Entry::Kind::Symlink, name, target.toUtf8(), 0755});
    return *this;
}

PackageBuilder& PackageBuilder::installLocation(const QString& location) {
    location_ = location;
    return *this;
}

PackageBuilder& PackageBuilder::payload(Payload format) {
    payload_ = format;
    return *this;
}

PackageBuilder& PackageBuilder::product(bool on) {
    product_ = on;
    return *this;
}

PackageBuilder& PackageBuilder::signedBy(const TestPki::Identity& identity) {
    identity_ = &identity;
    return *this;
}

PackageBuilder& PackageBuilder::sha256(bool on) {
    sha256_ = on;
    return *this;
}

PackageBuilder& PackageBuilder::ticket(bool on) {
    ticket_ = on;
    return *this;
}

PackageBuilder& PackageBuilder::tamper(Tamper how) {
    tamper_ = how;
    return *this;
}

PackageBuilder& PackageBuilder::timestamp(const CodeSigner::Timestamp& stamp) {
    timestamp_ = stamp;
    return *this;
}

PackageBuilder& PackageBuilder::cms(Cms how) {
    cms_ = how;
    return *this;
}

PackageBuilder& PackageBuilder::rawPayload(const QByteArray& bytes) {
    rawPayload_ = bytes;
    return *this;
}

QByteArray PackageBuilder::cpio() const {
    archive* out = archive_write_new();
    archive_write_set_format_cpio(out); // the portable "odc" form
    archive_write_add_filter_none(out);
    qsizetype room = 16 * 1024 * 1024;
    for (const Entry& e : entries_)
        room += 64 * 1024 + e.content.size();
    QByteArray buffer(room, '\0');
    size_t used = 0;
    archive_write_open_memory(out, buffer.data(), size_t(buffer.size()), &used);
    for (const Entry& e : entries_) {
        archive_entry* entry = archive_entry_new();
        // Named "./name" as the platform's tools write them; absolute names stay as given.
        const QByteArray name = e.name.startsWith(u'/') ? e.name.toUtf8() : "./" + e.name.toUtf8();
        archive_entry_set_pathname(entry, name.constData());
        if (e.kind == Entry::Kind::File) {
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, e.content.size());
        } else if (e.kind == Entry::Kind::Folder) {
            archive_entry_set_filetype(entry, AE_IFDIR);
        } else {
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, e.content.constData());
        }
        archive_entry_set_perm(entry, mode_t(e.mode));
        if (e.kind != Entry::Kind::File)
            archive_entry_set_size(entry, 0);
        if (archive_write_header(out, entry) < ARCHIVE_WARN)
            throw std::runtime_error(archive_error_string(out));
        if (e.kind == Entry::Kind::File)
            archive_write_data(out, e.content.constData(), size_t(e.content.size()));
        archive_entry_free(entry);
    }
    archive_write_close(out);
    archive_write_free(out);
    buffer.truncate(qsizetype(used));
    return buffer;
}

QByteArray PackageBuilder::zlib(const QByteArray& bytes) {
    uLongf length = compressBound(uLong(bytes.size()));
    QByteArray out(qsizetype(length), Qt::Uninitialized);
    compress2(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(bytes.constData()),
              uLong(bytes.size()), 6);
    out.truncate(qsizetype(length));
    return out;
}

QByteArray PackageBuilder::xar(const QByteArray& compressedToc, quint64 declaredCompressed, quint64 declaredSize,
                               const QByteArray& heap, quint32 checksumAlgorithm) {
    return "xar!" + bigEndian(28, 2) + bigEndian(1, 2) + bigEndian(declaredCompressed, 8) + bigEndian(declaredSize, 8) +
           bigEndian(checksumAlgorithm, 4) + compressedToc + heap;
}

QByteArray PackageBuilder::gzip(const QByteArray& bytes) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(bytes.size())) + 32), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QByteArray PackageBuilder::bzip2(const QByteArray& bytes) {
    archive* a = archive_write_new();
    archive_write_add_filter_bzip2(a);
    archive_write_set_format_raw(a);
    QByteArray out(bytes.size() + 65536, Qt::Uninitialized);
    size_t used = 0;
    archive_write_open_memory(a, out.data(), size_t(out.size()), &used);
    archive_entry* entry = archive_entry_new();
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_write_header(a, entry);
    archive_write_data(a, bytes.constData(), size_t(bytes.size()));
    archive_entry_free(entry);
    archive_write_close(a);
    archive_write_free(a);
    out.truncate(qsizetype(used));
    return out;
}

QByteArray PackageBuilder::build() const {
    QByteArray payloadBytes;
    if (rawPayload_) {
        payloadBytes = *rawPayload_;
    } else {
        const QByteArray archive = cpio();
        switch (payload_) {
        case Payload::Gzip:
            payloadBytes = gzip(archive);
            break;
        case Payload::Pbzx:
            payloadBytes = pbzx(archive);
            break;
        case Payload::Xz:
            payloadBytes = xz(archive);
            break;
        case Payload::Bzip2:
            payloadBytes = bzip2(archive);
            break;
        case Payload::Cpio:
            payloadBytes = archive;
            break;
        }
    }
    const QByteArray packageInfo = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                                  "<pkg-info format-version=\"2\" identifier=\"com.example.pkg.app\" "
                                                  "version=\"1.0\" install-location=\"%1\" auth=\"root\">\n"
                                                  "<payload numberOfFiles=\"%2\" installKBytes=\"1\"/>\n</pkg-info>\n")
                                       .arg(location_.toHtmlEscaped())
                                       .arg(entries_.size())
                                       .toUtf8();
    QList<Stored> files{{QStringLiteral("PackageInfo"), zlib(packageInfo), packageInfo, true},
                        {QStringLiteral("Bom"), zlib("BOMStore"), "BOMStore", true},
                        {QStringLiteral("Payload"), payloadBytes, payloadBytes, false}};
    const QByteArray distribution =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<installer-gui-script minSpecVersion=\"2\">"
        "<pkg-ref id=\"com.example.pkg.app\">#App.pkg</pkg-ref></installer-gui-script>\n";

    const int digestSize = sha256_ ? 32 : 20;
    const TestPki& pki = TestPki::shared();
    Q_UNUSED(pki);
    const int signatureSize = identity_ ? EVP_PKEY_get_size(identity_->key.get()) : 0;
    // Writers reserve room for the CMS message before signing and pad it with zeros.
    const int cmsSize = identity_ && cms_ != Cms::None ? 16384 : 0;
    qint64 offset = digestSize + signatureSize + cmsSize;
    QString fileXml;
    QByteArray fileHeap;
    int id = 1;
    const auto add = [&](const Stored& f, const QString& mode) {
        QString xml = QStringLiteral("<file id=\"%1\"><name>%2</name><type>file</type><mode>%3</mode>")
                          .arg(id++)
                          .arg(f.name, mode);
        xml += dataXml(f, offset, sha256_) + QStringLiteral("</file>");
        offset += f.stored.size();
        fileHeap += f.stored;
        return xml;
    };
    if (product_) {
        fileXml +=
            add({QStringLiteral("Distribution"), zlib(distribution), distribution, true}, QStringLiteral("0644"));
        QString children;
        for (const Stored& f : files)
            children += add(f, QStringLiteral("0644"));
        fileXml +=
            QStringLiteral("<file id=\"%1\"><name>App.pkg</name><type>directory</type><mode>0755</mode>%2</file>")
                .arg(id++)
                .arg(children);
    } else {
        for (const Stored& f : files)
            fileXml += add(f, QStringLiteral("0644"));
    }

    const QString style = sha256_ ? QStringLiteral("sha256") : QStringLiteral("sha1");
    QString signatureXml;
    if (identity_) {
        QString certificates;
        QList<std::shared_ptr<X509>> chain{identity_->certificate};
        chain += identity_->chain;
        for (const auto& certificate : chain) {
            // Line-wrapped base64, as real packages carry it.
            const QByteArray base64 = TestPki::der(certificate).toBase64();
            QByteArray wrapped;
            for (qsizetype i = 0; i < base64.size(); i += 64)
                wrapped += base64.mid(i, 64) + '\n';
            certificates += QStringLiteral("<X509Certificate>") + QString::fromLatin1(wrapped) +
                            QStringLiteral("</X509Certificate>");
        }
        signatureXml = QStringLiteral("<signature style=\"RSA\"><offset>%1</offset><size>%2</size>"
                                      "<KeyInfo xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><X509Data>%3</X509Data>"
                                      "</KeyInfo></signature>")
                           .arg(digestSize)
                           .arg(signatureSize)
                           .arg(certificates);
        if (cmsSize)
            signatureXml +=
                QStringLiteral("<x-signature style=\"CMS\"><offset>%1</offset><size>%2</size>"
                               "<KeyInfo xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><X509Data>%3</X509Data>"
                               "</KeyInfo></x-signature>")
                    .arg(digestSize + signatureSize)
                    .arg(cmsSize)
                    .arg(certificates);
    }
    const auto tocWith = [&](const QString& extra) {
        return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xar>\n <toc>\n"
                               "  <checksum style=\"%1\"><offset>0</offset><size>%2</size></checksum>\n"
                               "  <creation-time>2026-01-01T00:00:00</creation-time>\n")
                    .arg(style)
                    .arg(digestSize) +
                signatureXml + extra + fileXml + QStringLiteral("\n </toc>\n</xar>\n"))
            .toUtf8();
    };
    const QByteArray toc = tocWith({});
    const QByteArray compressed = zlib(toc);
    const QByteArray digest = hash(compressed, sha256_);
    QByteArray signature = identity_ ? rsaSign(*identity_, digest, sha256_) : QByteArray();
    if (cmsSize) {
        QByteArray message =
            CodeSigner::cms(cms_ == Cms::Valid ? digest : hash("other", sha256_), *identity_, true, {}, timestamp_);
        message.append(QByteArray(cmsSize - message.size(), '\0'));
        signature += message;
    }

    QByteArray finalToc = toc;
    QByteArray finalCompressed = compressed;
    QByteArray storedDigest = digest;
    if (tamper_ != Tamper::None) {
        finalToc =
            tocWith(QStringLiteral("<file id=\"99\"><name>extra</name><type>file</type><mode>04755</mode></file>"));
        finalCompressed = zlib(finalToc);
        if (tamper_ == Tamper::TocAndChecksum)
            storedDigest = hash(finalCompressed, sha256_);
    }
    QByteArray out = xar(finalCompressed, quint64(finalCompressed.size()), quint64(finalToc.size()),
                         storedDigest + signature + fileHeap, sha256_ ? 3 : 1);
    if (ticket_) {
        const QByteArray t = ticketFor(digest, sha256_);
        out += trailer(1, 0) + t + trailer(2, quint32(t.size()));
    }
    return out;
}

bool PackageBuilder::write(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = build();
    return file.write(bytes) == bytes.size();
}

PackageBuilder PackageBuilder::unsignedPackage() {
    return PackageBuilder().file(QStringLiteral("Alpha.app/Contents/Info.plist"), "<plist/>");
}

PackageBuilder PackageBuilder::teamA(bool notarized) {
    return unsignedPackage().signedBy(TestPki::shared().installerA).ticket(notarized);
}

PackageBuilder PackageBuilder::teamB(bool notarized) {
    return unsignedPackage().signedBy(TestPki::shared().installerB).ticket(notarized);
}

PackageBuilder PackageBuilder::untrustedChain() {
    return unsignedPackage().signedBy(TestPki::shared().installerUntrusted);
}
