#include "platform/archives/PackageInstaller.h"

#include "platform/files/RealPath.h"

#include "platform/archives/Extraction.h"
#include "platform/archives/XarArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <lzma.h>
#include <zlib.h>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace PackageInstaller {
namespace {

constexpr qint64 chunk = 1 << 20;
constexpr qint64 maxPackageInfo = 1024 * 1024;
constexpr qint64 maxPbzxChunk = qint64(256) << 20;

[[noreturn]] void fail(const QString& sentence) {
    throw Failure(sentence.toStdString());
}

// Counts what a payload decodes to and refuses a bomb before it fills the disk.
class Output {
public:
    Output(const QString& path, qint64 stored, const Limits& limits) : file_(path), stored_(stored), limits_(limits) {
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
            fail(QStringLiteral("The package's payload couldn't be unpacked."));
    }

    void write(const char* data, qint64 size) {
        written_ += size;
        if (written_ > limits_.expanded
            || (written_ > limits_.ratioFloor && written_ / std::max<qint64>(stored_, 1) > limits_.ratio))
            fail(QStringLiteral("The package's payload expands to far more than it holds. Refusing to install it."));
        if (file_.write(data, size) != size)
            fail(QStringLiteral("The package's payload couldn't be unpacked."));
    }

    void finish() {
        if (!file_.flush())
            fail(QStringLiteral("The package's payload couldn't be unpacked."));
        file_.close();
    }

private:
    QFile file_;
    qint64 stored_;
    Limits limits_;
    qint64 written_ = 0;
};

[[noreturn]] void damaged() {
    fail(QStringLiteral("The package's payload is damaged."));
}

void gunzip(QFile& in, Output& out) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        damaged();
    QByteArray buffer(qsizetype(chunk), Qt::Uninitialized);
    bool ended = false;
    int r = Z_OK;
    while (!in.atEnd()) {
        const QByteArray input = in.read(chunk);
        if (input.isEmpty())
            break;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData()));
        stream.avail_in = uInt(input.size());
        while (stream.avail_in > 0) {
            if (r == Z_STREAM_END) // another member follows
                inflateReset(&stream);
            stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
            stream.avail_out = uInt(buffer.size());
            r = inflate(&stream, Z_NO_FLUSH);
            if (r != Z_OK && r != Z_STREAM_END && r != Z_BUF_ERROR) {
                inflateEnd(&stream);
                damaged();
            }
            try {
                out.write(buffer.constData(), buffer.size() - stream.avail_out);
            } catch (...) {
                inflateEnd(&stream);
                throw;
            }
            ended = r == Z_STREAM_END;
            if (r == Z_BUF_ERROR)
                break;
        }
    }
    inflateEnd(&stream);
    if (!ended)
        damaged();
}

quint64 bigEndian64(const QByteArray& bytes) {
    quint64 value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | quint8(bytes[i]);
    return value;
}

void unxz(const QByteArray& input, Output& out, qint64 expected) {
    lzma_stream stream = LZMA_STREAM_INIT;
    // A chunk may not ask for more memory than any real payload needs.
    constexpr uint64_t memoryLimit = uint64_t(256) << 20;
    if (lzma_stream_decoder(&stream, memoryLimit, LZMA_CONCATENATED) != LZMA_OK)
        damaged();
    QByteArray buffer(qsizetype(chunk), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<const uint8_t*>(input.constData());
    stream.avail_in = size_t(input.size());
    qint64 produced = 0;
    lzma_ret r = LZMA_OK;
    while (r == LZMA_OK) {
        stream.next_out = reinterpret_cast<uint8_t*>(buffer.data());
        stream.avail_out = size_t(buffer.size());
        r = lzma_code(&stream, LZMA_FINISH);
        const qint64 n = buffer.size() - qint64(stream.avail_out);
        produced += n;
        if ((r != LZMA_OK && r != LZMA_STREAM_END) || produced > expected) {
            lzma_end(&stream);
            damaged();
        }
        try {
            out.write(buffer.constData(), n);
        } catch (...) {
            lzma_end(&stream);
            throw;
        }
    }
    lzma_end(&stream);
    if (produced != expected)
        damaged();
}

// pbzx: a chunk size, then chunks of (decoded size, stored size, bytes), each xz or stored.
void unpbzx(QFile& in, Output& out) {
    if (in.read(4) != "pbzx" || in.read(8).size() != 8)
        damaged();
    for (;;) {
        const QByteArray head = in.read(16);
        if (head.isEmpty())
            break;
        if (head.size() != 16)
            damaged();
        const quint64 decoded = bigEndian64(head.left(8));
        const quint64 stored = bigEndian64(head.mid(8, 8));
        if (decoded > quint64(maxPbzxChunk) || stored > quint64(maxPbzxChunk))
            damaged();
        const QByteArray data = in.read(qint64(stored));
        if (quint64(data.size()) != stored)
            damaged();
        if (data.startsWith("\xFD" "7zXZ"))
            unxz(data, out, qint64(decoded));
        else if (stored == decoded)
            out.write(data.constData(), data.size());
        else
            damaged();
    }
}

QString installLocation(const XarArchive& archive, const XarArchive::Entry* info) {
    if (!info)
        return QStringLiteral("/");
    QXmlStreamReader xml(archive.read(*info, maxPackageInfo));
    while (xml.readNextStartElement()) {
        if (xml.name() == u"pkg-info") {
            const QString location = xml.attributes().value(QStringLiteral("install-location")).toString();
            return location.isEmpty() ? QStringLiteral("/") : location;
        }
        xml.skipCurrentElement();
    }
    fail(QStringLiteral("The package's description is damaged."));
}

// Makes target/location folder by folder; an existing link on the way must stay inside.
QString destinationFor(const QString& target, const QString& location) {
    QString path = target;
    for (const QString& part : location.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u"." )
            continue;
        if (part == u"..")
            fail(QStringLiteral("The package's install location leaves the target. Refusing to install it."));
        path += (path.endsWith(u'/') ? QString() : QStringLiteral("/")) + part;
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
            if (::mkdir(QFile::encodeName(path).constData(), 0755) != 0)
                fail(QStringLiteral("The package's install location couldn't be created."));
            continue;
        }
        if (S_ISLNK(st.st_mode)) {
            const QString resolved = realPath(path).value_or(QString());
            if (resolved.isEmpty() || !Extraction::isInside(resolved, target))
                fail(QStringLiteral("The package's install location leaves the target. Refusing to install it."));
            path = resolved;
        } else if (!S_ISDIR(st.st_mode)) {
            fail(QStringLiteral("The package's install location couldn't be created."));
        }
    }
    return path;
}

void removeTree(const QString& path) {
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode))
        QDir(path).removeRecursively();
    else
        ::unlink(QFile::encodeName(path).constData());
}

// Moves the staged tree into place. An existing folder is merged into; anything else in the
// way, a link included, is replaced, so nothing is ever written through an existing link.
void merge(const QString& from, const QString& to) {
    const QFileInfoList entries =
        QDir(from).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QString source = entry.filePath();
        const QString destination = to + u'/' + entry.fileName();
        struct stat st;
        const bool exists = ::lstat(QFile::encodeName(destination).constData(), &st) == 0;
        if (entry.isDir() && !entry.isSymLink() && exists && S_ISDIR(st.st_mode)) {
            merge(source, destination);
            continue;
        }
        if (exists)
            removeTree(destination);
        if (::rename(QFile::encodeName(source).constData(), QFile::encodeName(destination).constData()) != 0)
            fail(QStringLiteral("The package's files couldn't be moved into place."));
    }
}

} // namespace

void decodePayload(const QString& payload, const QString& outPath, const Limits& limits) {
    QFile in(payload);
    if (!in.open(QIODevice::ReadOnly))
        damaged();
    const QByteArray magic = in.peek(6);
    Output out(outPath, in.size(), limits);
    if (magic.startsWith("\x1f\x8b")) {
        gunzip(in, out);
    } else if (magic.startsWith("pbzx")) {
        unpbzx(in, out);
    } else if (magic.startsWith("070707") || magic.startsWith("070701") || magic.startsWith("070702")) {
        while (!in.atEnd()) {
            const QByteArray block = in.read(chunk);
            if (block.isEmpty())
                break;
            out.write(block.constData(), block.size());
        }
    } else {
        fail(QStringLiteral("The package's payload is in a format this system does not install."));
    }
    out.finish();
}

QStringList install(const QString& package, const QString& targetPath, const Limits& limits) {
    const QString target = realPath(targetPath).value_or(QString());
    if (target.isEmpty() || !QFileInfo(target).isDir())
        fail(QStringLiteral("The install target isn't a folder."));
    XarArchive archive = [&] {
        try {
            return XarArchive::open(package);
        } catch (const XarArchive::Failure& failure) {
            fail(QString::fromStdString(failure.what()));
        }
    }();
    if (!archive.checksumMatches())
        fail(QStringLiteral("The package is damaged: its table of contents doesn't match its checksum."));

    struct Component {
        QString name;
        const XarArchive::Entry* payload;
        const XarArchive::Entry* info;
    };
    QList<Component> components;
    if (archive.find(QStringLiteral("Distribution"))) {
        // Looked up by path once: a search of the whole list per component is quadratic in a
        // table of contents that may list a million entries.
        QHash<QString, const XarArchive::Entry*> byPath;
        for (const XarArchive::Entry& entry : archive.entries) {
            if (!byPath.contains(entry.path)) // the first of equal paths, as find() gives it
                byPath.insert(entry.path, &entry);
        }
        for (const XarArchive::Entry& entry : archive.entries) {
            if (entry.type == u"directory" && !entry.path.contains(u'/') && entry.path.endsWith(u".pkg")) {
                if (const auto* payload = byPath.value(entry.path + QStringLiteral("/Payload")))
                    components.append({entry.path, payload, byPath.value(entry.path + QStringLiteral("/PackageInfo"))});
            }
        }
    } else if (const auto* payload = archive.find(QStringLiteral("Payload"))) {
        components.append({QFileInfo(package).fileName(), payload, archive.find(QStringLiteral("PackageInfo"))});
    }
    if (components.isEmpty())
        fail(QStringLiteral("The package has nothing to install."));

    QTemporaryDir work;
    if (!work.isValid())
        fail(QStringLiteral("The package's payload couldn't be unpacked."));
    QStringList installed;
    int index = 0;
    for (const Component& component : components) {
        try {
            const QString destination = destinationFor(target, installLocation(archive, component.info));
            const QString payload = work.filePath(QStringLiteral("payload-%1").arg(index));
            const QString cpio = work.filePath(QStringLiteral("payload-%1.cpio").arg(index));
            ++index;
            {
                QFile file(payload);
                if (!file.open(QIODevice::WriteOnly))
                    fail(QStringLiteral("The package's payload couldn't be unpacked."));
                archive.extract(*component.payload, file, limits.expanded);
            }
            decodePayload(payload, cpio, limits);
            QFile::remove(payload);
            // Staged beside its destination so that moving it in is a rename on one file system.
            QByteArray stagingTemplate = QFile::encodeName(destination + QStringLiteral("/.quenlark-payload.XXXXXX"));
            if (!::mkdtemp(stagingTemplate.data()))
                fail(QStringLiteral("The package's payload couldn't be unpacked."));
            const QString staging = QFile::decodeName(stagingTemplate);
            try {
                Extraction::Options options;
                options.dropAppleDouble = false;
                Extraction::unpack(cpio, staging, options);
                merge(staging, destination);
            } catch (const Extraction::Failure& failure) {
                QDir(staging).removeRecursively();
                fail(QStringLiteral("The package's payload was refused: %1.").arg(QString::fromStdString(failure.what())));
            } catch (...) {
                QDir(staging).removeRecursively();
                throw;
            }
            QDir(staging).removeRecursively();
            QFile::remove(cpio);
            installed << component.name;
        } catch (const XarArchive::Failure& failure) {
            fail(QString::fromStdString(failure.what()));
        }
    }
    return installed;
}

} // namespace PackageInstaller
