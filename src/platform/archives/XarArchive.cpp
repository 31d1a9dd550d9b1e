#include "platform/archives/XarArchive.h"

#include "platform/archives/XarDataStream.h"
#include "platform/files/Sys.h"

#include <QBuffer>
#include <QFile>
#include <QXmlStreamReader>

#include <zlib.h>

#include <cstring>
#include <fcntl.h>
#include <limits>

namespace {

constexpr qint64 headerMinimum = 28;
constexpr qint64 maxCompressedToc = 16 * 1024 * 1024;
constexpr qint64 maxToc = 64 * 1024 * 1024;
constexpr qsizetype maxEntries = 1000000;
constexpr int maxDepth = 256;
constexpr qint64 maxSignature = 1024 * 1024;
constexpr qint64 maxTicket = 256 * 1024;
constexpr qint64 chunk = 1 << 20;

[[noreturn]] void fail(const char* sentence) { throw XarArchive::Failure(sentence); }

quint64 bigEndian(const QByteArray& bytes, int offset, int width) {
    quint64 value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | quint8(bytes[offset + i]);
    return value;
}

quint32 littleEndian32(const QByteArray& bytes, int offset) {
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | quint8(bytes[offset + i]);
    return value;
}

XarArchive::Digest digestFromName(QString name) {
    name = name.toLower();
    if (name == u"sha1")
        return XarArchive::Digest::Sha1;
    if (name == u"md5")
        return XarArchive::Digest::Md5;
    if (name == u"sha256")
        return XarArchive::Digest::Sha256;
    if (name == u"sha512")
        return XarArchive::Digest::Sha512;
    if (name == u"none")
        return XarArchive::Digest::None;
    fail("The package uses a checksum this system does not know.");
}

// A non-negative number that fits the file; anything else is a lie of the table of contents.
qint64 number(const QString& text) {
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < 0)
        fail("The package's table of contents is damaged.");
    return value;
}

QByteArray inflateToc(const QByteArray& compressed, qint64 expected) {
    QByteArray out(qsizetype(expected), Qt::Uninitialized);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        fail("The package's table of contents can't be read.");
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.constData()));
    stream.avail_in = uInt(compressed.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int result = inflate(&stream, Z_FINISH);
    const uLong produced = stream.total_out;
    inflateEnd(&stream);
    if (result != Z_STREAM_END || qint64(produced) != expected)
        fail("The package's table of contents is damaged.");
    return out;
}

// Parts of an entry's name: one plain name each, never "." or "..", never a separator.
QString checkedName(const QString& name) {
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/') || name.contains(QChar(0)))
        fail("The package names a file outside itself.");
    return name;
}

class TocParser {
public:
    TocParser(XarArchive& archive, const QByteArray& xml) : a_(archive), xml_(xml) {}

    void run() {
        bool sawToc = false;
        while (!xml_.atEnd()) {
            xml_.readNext();
            if (xml_.isStartElement()) {
                if (xml_.name() == u"toc") {
                    sawToc = true;
                    toc();
                }
            }
        }
        if (xml_.hasError() || !sawToc)
            fail("The package's table of contents is damaged.");
    }

private:
    XarArchive& a_;
    QXmlStreamReader xml_;
    bool sawChecksum_ = false;

    void toc() {
        while (xml_.readNextStartElement()) {
            const auto name = xml_.name();
            if (name == u"checksum") {
                checksum();
            } else if (name == u"signature" || name == u"x-signature") {
                signature(name == u"signature");
            } else if (name == u"file") {
                file(QString(), 0);
            } else {
                xml_.skipCurrentElement();
            }
        }
    }

    void checksum() {
        const XarArchive::Digest style = digestFromName(xml_.attributes().value(QStringLiteral("style")).toString());
        if (style != a_.digest)
            fail("The package's checksum does not match its header.");
        while (xml_.readNextStartElement()) {
            if (xml_.name() == u"offset")
                a_.checksumOffset = number(xml_.readElementText());
            else if (xml_.name() == u"size")
                a_.checksumSize = number(xml_.readElementText());
            else
                xml_.skipCurrentElement();
        }
        sawChecksum_ = true;
    }

    void signature(bool rsa) {
        XarArchive::Signature s;
        s.style = xml_.attributes().value(QStringLiteral("style")).toString();
        while (xml_.readNextStartElement()) {
            if (xml_.name() == u"offset")
                s.offset = number(xml_.readElementText());
            else if (xml_.name() == u"size")
                s.size = number(xml_.readElementText());
            else if (xml_.name() == u"KeyInfo")
                keyInfo(s);
            else
                xml_.skipCurrentElement();
        }
        if (s.size > maxSignature)
            fail("The package's signature is damaged.");
        auto& slot = rsa ? a_.signature : a_.cmsSignature;
        if (slot)
            fail("The package carries more than one signature of a kind.");
        slot = s;
    }

    void keyInfo(XarArchive::Signature& s) {
        while (xml_.readNextStartElement()) {
            if (xml_.name() == u"X509Data") {
                while (xml_.readNextStartElement()) {
                    if (xml_.name() == u"X509Certificate") {
                        const QByteArray text = xml_.readElementText().toLatin1();
                        QByteArray clean;
                        for (char c : text) {
                            if (c != ' ' && c != '\n' && c != '\r' && c != '\t')
                                clean += c;
                        }
                        if (s.certificates.size() < 16)
                            s.certificates.append(QByteArray::fromBase64(clean));
                    } else {
                        xml_.skipCurrentElement();
                    }
                }
            } else {
                xml_.skipCurrentElement();
            }
        }
    }

    void file(const QString& parent, int depth) {
        if (depth >= maxDepth || a_.entries.size() >= maxEntries)
            fail("The package's table of contents is too large.");
        XarArchive::Entry entry;
        QString name;
        bool named = false;
        // Children need their parent's name: real archives give the name first.
        const qsizetype index = a_.entries.size();
        a_.entries.append(entry);
        while (xml_.readNextStartElement()) {
            const auto tag = xml_.name();
            if (tag == u"name") {
                const QString text = checkedName(xml_.readElementText());
                if (named && text != name)
                    fail("The package's table of contents is damaged.");
                name = text;
                named = true;
                a_.entries[index].path = parent.isEmpty() ? name : parent + u'/' + name;
            } else if (tag == u"type") {
                a_.entries[index].type = xml_.readElementText().trimmed();
            } else if (tag == u"mode") {
                bool ok = false;
                const int mode = xml_.readElementText().trimmed().toInt(&ok, 8);
                a_.entries[index].mode = ok ? (mode & 07777) : 0644;
            } else if (tag == u"link") {
                a_.entries[index].link = xml_.readElementText();
            } else if (tag == u"data") {
                a_.entries[index].data = data();
            } else if (tag == u"file") {
                if (!named)
                    fail("The package's table of contents is damaged.");
                const QString path = a_.entries[index].path; // the list grows below
                file(path, depth + 1);
            } else {
                xml_.skipCurrentElement();
            }
        }
        if (!named)
            fail("The package's table of contents is damaged.");
    }

    XarArchive::Data data() {
        XarArchive::Data d;
        while (xml_.readNextStartElement()) {
            const auto tag = xml_.name();
            if (tag == u"offset") {
                d.offset = number(xml_.readElementText());
            } else if (tag == u"length") {
                d.length = number(xml_.readElementText());
            } else if (tag == u"size") {
                d.size = number(xml_.readElementText());
            } else if (tag == u"encoding") {
                d.encoding = xml_.attributes().value(QStringLiteral("style")).toString();
                xml_.skipCurrentElement();
            } else if (tag == u"archived-checksum" || tag == u"extracted-checksum") {
                const XarArchive::Digest style =
                    digestFromName(xml_.attributes().value(QStringLiteral("style")).toString());
                const QByteArray sum = QByteArray::fromHex(xml_.readElementText().trimmed().toLatin1());
                if (tag == u"archived-checksum") {
                    d.archivedStyle = style;
                    d.archivedChecksum = sum;
                } else {
                    d.extractedStyle = style;
                    d.extractedChecksum = sum;
                }
            } else {
                xml_.skipCurrentElement();
            }
        }
        return d;
    }
};

} // namespace

XarArchive XarArchive::open(const QString& path) { return load(path, nullptr); }

XarArchive XarArchive::parse(const QByteArray& bytes) { return load(QString(), &bytes); }

XarArchive XarArchive::load(const QString& path, const QByteArray* bytes) {
    XarArchive a;
    a.path_ = path;
    if (bytes) {
        a.bytes_ = *bytes;
        a.fileSize_ = bytes->size();
    } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            fail("The package can't be opened.");
        a.fileSize_ = file.size();
    }
    a.heapStart_ = 0;
    a.heapLimit_ = a.fileSize_;
    if (a.fileSize_ < headerMinimum)
        fail("The file is not a package.");
    const QByteArray header = a.readAt(0, headerMinimum);
    if (!header.startsWith("xar!"))
        fail("The file is not a package.");
    const qint64 headerSize = qint64(bigEndian(header, 4, 2));
    const quint64 compressed = bigEndian(header, 8, 8);
    const quint64 uncompressed = bigEndian(header, 16, 8);
    const quint32 cksum = quint32(bigEndian(header, 24, 4));
    if (headerSize < headerMinimum || headerSize > a.fileSize_)
        fail("The package's header is damaged.");
    if (compressed == 0 || compressed > quint64(maxCompressedToc) || uncompressed == 0 ||
        uncompressed > quint64(maxToc))
        fail("The package's table of contents is too large.");
    if (qint64(compressed) > a.fileSize_ - headerSize)
        fail("The package's header is damaged.");
    switch (cksum) {
    case 0:
        a.digest = Digest::None;
        break;
    case 1:
        a.digest = Digest::Sha1;
        break;
    case 2:
        a.digest = Digest::Md5;
        break;
    case 3:
        if (headerSize > headerMinimum) {
            // The variant that names its algorithm after the fixed header.
            const QByteArray name = a.readAt(headerMinimum, std::min<qint64>(headerSize - headerMinimum, 64));
            a.digest =
                digestFromName(QString::fromLatin1(name.left(qsizetype(qstrnlen(name.constData(), name.size())))));
        } else {
            a.digest = Digest::Sha256;
        }
        break;
    case 4:
        a.digest = Digest::Sha512;
        break;
    default:
        fail("The package uses a checksum this system does not know.");
    }
    a.compressedToc = a.readAt(headerSize, qint64(compressed));
    a.heapStart_ = headerSize + qint64(compressed);
    a.tocXml = inflateToc(a.compressedToc, qint64(uncompressed));
    TocParser(a, a.tocXml).run();

    // A stapled ticket sits after the heap behind a trailer of its own.
    if (a.fileSize_ - a.heapStart_ >= 32) {
        const QByteArray trailer = a.readAt(a.fileSize_ - 16, 16);
        if (trailer.startsWith("t8lr") && bigEndian(trailer, 6, 1) == 2 && trailer[7] == 0) {
            const qint64 length = littleEndian32(trailer, 8);
            if (length > 0 && length <= maxTicket && length + 32 <= a.fileSize_ - a.heapStart_) {
                const qint64 start = a.fileSize_ - 16 - length;
                const QByteArray terminator = a.readAt(start - 16, 16);
                if (terminator.startsWith("t8lr")) {
                    a.ticket = a.readAt(start, length);
                    a.heapLimit_ = start - 16;
                }
            }
        }
    }
    return a;
}

void XarArchive::within(qint64 offset, qint64 size, qint64 end) {
    if (offset < 0 || size < 0 || offset > end || size > end - offset)
        fail("The package points outside itself.");
}

qint64 XarArchive::heapOffset(qint64 offset, qint64 size) const {
    within(offset, size, heapLimit_ - heapStart_);
    return heapStart_ + offset;
}

UniqueFd XarArchive::openFile() const {
    if (path_.isEmpty())
        return {};
    UniqueFd fd = Sys::open(QFile::encodeName(path_), O_RDONLY | O_CLOEXEC);
    if (!fd)
        fail("The package can't be read.");
    return fd;
}

void XarArchive::readInto(const UniqueFd& fd, qint64 offset, char* buffer, qint64 size) const {
    within(offset, size, fileSize_);
    if (path_.isEmpty()) {
        std::memcpy(buffer, bytes_.constData() + offset, size_t(size));
        return;
    }
    // The file may have shrunk since it was opened: a short read is a failure, never zeros.
    for (qint64 done = 0; done < size;) {
        const ssize_t got = Sys::pread(fd.get(), buffer + done, size_t(size - done), off_t(offset + done));
        if (got <= 0)
            fail("The package can't be read.");
        done += got;
    }
}

QByteArray XarArchive::readAt(qint64 offset, qint64 size) const {
    within(offset, size, fileSize_); // before a buffer of that size is made
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    readInto(openFile(), offset, out.data(), size);
    return out;
}

QByteArray XarArchive::heap(qint64 offset, qint64 size) const { return readAt(heapOffset(offset, size), size); }

QByteArray XarArchive::tocDigest() const {
    const auto hash = algorithm(digest);
    return hash ? StreamingHash::of(*hash, compressedToc) : QByteArray();
}

bool XarArchive::checksumMatches() const {
    const auto length = digestLength(digest);
    if (!length || checksumSize != *length)
        return false;
    try {
        return heap(checksumOffset, checksumSize) == tocDigest();
    } catch (const Failure&) {
        return false;
    }
}

const XarArchive::Entry* XarArchive::find(const QString& path) const {
    for (const Entry& entry : entries) {
        if (entry.path == path)
            return &entry;
    }
    return nullptr;
}

void XarArchive::extract(const Entry& entry, QIODevice& out, qint64 limit) const {
    if (!entry.data)
        return;
    XarDataStream stream(*this, entry, limit);
    QByteArray buffer(qsizetype(std::min(chunk, std::max<qint64>(stream.size(), 1))), Qt::Uninitialized);
    while (const qint64 n = stream.read(buffer.data(), buffer.size())) {
        if (out.write(buffer.constData(), n) != n)
            fail("The package's contents couldn't be written.");
    }
}

QByteArray XarArchive::read(const Entry& entry, qint64 limit) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    extract(entry, buffer, limit);
    return bytes;
}

std::optional<int> XarArchive::digestLength(Digest digest) {
    switch (digest) {
    case Digest::Sha1:
        return 20;
    case Digest::Md5:
        return 16;
    case Digest::Sha256:
        return 32;
    case Digest::Sha512:
        return 64;
    case Digest::None:
        break;
    }
    return std::nullopt;
}

std::optional<StreamingHash::Algorithm> XarArchive::algorithm(Digest digest) {
    switch (digest) {
    case Digest::Sha1:
        return StreamingHash::Algorithm::Sha1;
    case Digest::Md5:
        return StreamingHash::Algorithm::Md5;
    case Digest::Sha256:
        return StreamingHash::Algorithm::Sha256;
    case Digest::Sha512:
        return StreamingHash::Algorithm::Sha512;
    case Digest::None:
        break;
    }
    return std::nullopt;
}
