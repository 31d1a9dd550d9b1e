#include "platform/archives/Extraction.h"

#include "platform/files/RealPath.h"
#include "platform/files/Sys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <exception>
#include <memory>
#include <span>
#include <sys/stat.h>
#include <unistd.h>

namespace Extraction {
namespace {

QString resolvedPath(const QString& path) { return realPath(path).value_or(QString()); }

[[noreturn]] void fail(const QString& message) { throw Failure(message.toStdString()); }

// Names inside the archive are relative and clean: no absolute path, no "..".
QStringList checkedParts(const QString& name) {
    if (name.startsWith(QLatin1Char('/')))
        fail(name + QStringLiteral(": Refusing an absolute path in the archive"));
    QStringList parts;
    for (const QString& part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String(".."))
            fail(name + QStringLiteral(": Refusing a path that leaves the destination"));
        parts << part;
    }
    return parts;
}

bool isAppleDouble(const QStringList& parts) {
    if (parts.isEmpty())
        return false;
    if (parts.first() == QLatin1String("__MACOSX"))
        return true;
    return parts.last().startsWith(QLatin1String("._"));
}

// No folder on the way to an entry may be a link: writing there would write elsewhere. `folders`
// holds the ones seen to be folders, which only a link entry can turn into something else.
void checkNoLinkOnTheWay(const QString& root, const QStringList& parts, const QString& name, QSet<QString>& folders) {
    QString path = root;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        path += QLatin1Char('/') + parts[i];
        if (folders.contains(path))
            continue;
        struct stat st;
        if (Sys::lstat(QFile::encodeName(path), st) != 0) {
            if (errno == ENOENT)
                return; // not made yet: libarchive creates it as a folder
            fail(name + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
        }
        if (S_ISLNK(st.st_mode))
            fail(name + QStringLiteral(": Refusing to write through a link in the archive"));
        if (!S_ISDIR(st.st_mode))
            return;
        folders.insert(path);
    }
}

struct ReadCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct WriteCloser {
    void operator()(archive* a) const { archive_write_free(a); }
};

QString entryName(archive_entry* entry) {
    if (const char* utf8 = archive_entry_pathname_utf8(entry))
        return QString::fromUtf8(utf8);
    if (const char* raw = archive_entry_pathname(entry))
        return QFile::decodeName(raw);
    return {};
}

QString linkTarget(const char* utf8, const char* raw) {
    if (utf8)
        return QString::fromUtf8(utf8);
    return raw ? QFile::decodeName(raw) : QString();
}

} // namespace

namespace {

// Walks `target` from `linkFolder` (or from "/" for an absolute target): "." is skipped, ".."
// drops the last part. With `followExisting`, each part that exists is replaced by its real path.
QString walk(const QString& linkFolder, const QString& target, bool followExisting) {
    QStringList parts;
    if (!target.startsWith(QLatin1Char('/')))
        parts = linkFolder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    bool existing = followExisting; // `parts` is a real path up to here
    for (const QString& part : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts << part;
        if (!existing)
            continue;
        if (const auto real = realPath(QLatin1Char('/') + parts.join(QLatin1Char('/'))))
            parts = real->split(QLatin1Char('/'), Qt::SkipEmptyParts);
        else
            existing = false;
    }
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

} // namespace

QString resolveLexically(const QString& linkFolder, const QString& target) { return walk(linkFolder, target, false); }

QString resolveAsFarAsExists(const QString& linkFolder, const QString& target) {
    return walk(linkFolder, target, true);
}

bool isInside(const QString& path, const QString& root) {
    if (root == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

namespace {

std::unique_ptr<archive, ReadCloser> reader(const Options& options) {
    std::unique_ptr<archive, ReadCloser> in(archive_read_new());
    if (options.cpioOnly) {
        archive_read_support_format_cpio(in.get());
    } else {
        archive_read_support_format_all(in.get());
        archive_read_support_filter_all(in.get());
    }
    return in;
}

QString checkedRoot(const QString& destination) {
    if (!QDir().mkpath(destination))
        fail(destination + QStringLiteral(": Couldn't create the folder"));
    const QString root = resolvedPath(destination);
    if (root.isEmpty())
        fail(destination + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
    return root;
}

// libarchive's callbacks over a ByteSource: blocks are passed on uncopied. An exception may not
// cross libarchive, so it is kept and thrown again once libarchive has given up.
struct SourceReader {
    ByteSource& source;
    quint64 at = 0;
    std::exception_ptr failure;

    static la_ssize_t read(archive* a, void* self, const void** buffer) {
        auto* r = static_cast<SourceReader*>(self);
        try {
            const std::span<const char> block = r->source.blockAt(r->at);
            *buffer = block.data();
            r->at += block.size();
            return la_ssize_t(block.size());
        } catch (...) {
            r->failure = std::current_exception();
            archive_set_error(a, EIO, "the volume can't be read");
            return ARCHIVE_FATAL;
        }
    }
    static la_int64_t skip(archive*, void* self, la_int64_t request) {
        auto* r = static_cast<SourceReader*>(self);
        const quint64 left = r->source.size() - std::min(r->at, r->source.size());
        const quint64 n = std::min<quint64>(quint64(std::max<la_int64_t>(request, 0)), left);
        r->at += n;
        return la_int64_t(n);
    }
    static la_int64_t seek(archive*, void* self, la_int64_t offset, int whence) {
        auto* r = static_cast<SourceReader*>(self);
        const qint64 base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? qint64(r->at) : qint64(r->source.size());
        const qint64 to = base + offset;
        if (to < 0 || quint64(to) > r->source.size())
            return ARCHIVE_FATAL;
        r->at = quint64(to);
        return to;
    }
};

void unpackFrom(archive* in, const QString& archivePath, const QString& root, const QString& destination,
                const Options& options) {
    // libarchive's guard against links on the way would walk every absolute name from "/" again,
    // folder by folder, for each entry: the check below stands in for it.
    std::unique_ptr<archive, WriteCloser> out(archive_write_disk_new());
    archive_write_disk_set_options(out.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_PERM | ARCHIVE_EXTRACT_UNLINK |
                                                  ARCHIVE_EXTRACT_SECURE_NODOTDOT);
    archive_write_disk_set_standard_lookup(out.get());

    // Entries are written by absolute names built from the checked parts below the resolved
    // destination, which holds no link.
    QSet<QString> folders;
    const auto absolute = [&root](const QStringList& parts) {
        return QFile::encodeName(root + QLatin1Char('/') + parts.join(QLatin1Char('/')));
    };
    std::optional<ExpansionBudget> budget = options.budget;
    archive_entry* entry = nullptr;
    for (;;) {
        const int r = archive_read_next_header(in, &entry);
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN)
            fail(archivePath + QStringLiteral(": ") + QString::fromLocal8Bit(archive_error_string(in)));

        const QString name = entryName(entry);
        const QStringList parts = checkedParts(name);
        if (parts.isEmpty())
            continue;
        if (options.dropAppleDouble && isAppleDouble(parts))
            continue;

        const mode_t type = archive_entry_filetype(entry);
        if (type != AE_IFREG && type != AE_IFDIR && type != AE_IFLNK)
            continue; // devices, sockets and pipes have no place in an application

        const QString folder =
            parts.size() > 1 ? root + QLatin1Char('/') + parts.mid(0, parts.size() - 1).join(QLatin1Char('/')) : root;
        if (const char* hard = archive_entry_hardlink(entry)) {
            const QString target = linkTarget(archive_entry_hardlink_utf8(entry), hard);
            const QStringList targetParts = checkedParts(target);
            checkNoLinkOnTheWay(root, targetParts, target, folders);
            // A hard link to a link would let the entry's data be written through it.
            struct stat st;
            if (Sys::lstat(absolute(targetParts), st) == 0 && !S_ISREG(st.st_mode))
                fail(name + QStringLiteral(": Refusing a hard link to something other than a file"));
            archive_entry_set_hardlink(entry, absolute(targetParts).constData());
        } else if (type == AE_IFLNK) {
            const QString target = linkTarget(archive_entry_symlink_utf8(entry), archive_entry_symlink(entry));
            if (target.isEmpty() || (!options.keepOutsideLinks && !isInside(resolveLexically(folder, target), root)))
                fail(name + QStringLiteral(": Refusing a link to a location outside the destination (") + target +
                     QStringLiteral(")"));
        }
        checkNoLinkOnTheWay(root, parts, name, folders);
        if (type == AE_IFLNK || archive_entry_hardlink(entry))
            folders.clear(); // it may stand where a folder was

        archive_entry_set_pathname(entry, absolute(parts).constData());
        archive_entry_set_perm(entry, archive_entry_perm(entry) & 01777); // no set-id bits
        if (type == AE_IFDIR)
            archive_entry_set_perm(entry, archive_entry_perm(entry) | 0700);

        if (archive_write_header(out.get(), entry) < ARCHIVE_WARN)
            fail(name + QStringLiteral(": ") + QString::fromLocal8Bit(archive_error_string(out.get())));
        if (archive_entry_size(entry) > 0 && type == AE_IFREG) {
            const void* block = nullptr;
            size_t size = 0;
            la_int64_t offset = 0;
            for (;;) {
                const int rb = archive_read_data_block(in, &block, &size, &offset);
                if (rb == ARCHIVE_EOF)
                    break;
                if (rb < ARCHIVE_WARN)
                    fail(name + QStringLiteral(": ") + QString::fromLocal8Bit(archive_error_string(in)));
                if (budget && !budget->take(qint64(size)))
                    throw TooLarge(
                        QString(archivePath + QStringLiteral(": The archive expands to far more than it holds"))
                            .toStdString());
                if (archive_write_data_block(out.get(), block, size, offset) < ARCHIVE_WARN)
                    fail(name + QStringLiteral(": ") + QString::fromLocal8Bit(archive_error_string(out.get())));
            }
        }
        if (archive_write_finish_entry(out.get()) < ARCHIVE_WARN)
            fail(name + QStringLiteral(": ") + QString::fromLocal8Bit(archive_error_string(out.get())));
    }
    // Folder modes and times are set here, after their contents.
    if (archive_write_close(out.get()) != ARCHIVE_OK)
        fail(destination + QStringLiteral(": ") + QString::fromLocal8Bit(archive_error_string(out.get())));
    if (!options.keepOutsideLinks)
        checkTree(root);
}

} // namespace

void unpack(const QString& archivePath, const QString& destination, const Options& options) {
    const QString root = checkedRoot(destination);
    const auto in = reader(options);
    if (archive_read_open_filename(in.get(), QFile::encodeName(archivePath).constData(), 1 << 16) != ARCHIVE_OK)
        fail(archivePath + QStringLiteral(": ") + QString::fromLocal8Bit(archive_error_string(in.get())));
    unpackFrom(in.get(), archivePath, root, destination, options);
}

void unpack(ByteSource& source, const QString& name, const QString& destination, const Options& options) {
    const QString root = checkedRoot(destination);
    const auto in = reader(options);
    SourceReader callbacks{source, 0, nullptr};
    archive_read_set_read_callback(in.get(), &SourceReader::read);
    archive_read_set_skip_callback(in.get(), &SourceReader::skip);
    archive_read_set_seek_callback(in.get(), &SourceReader::seek);
    archive_read_set_callback_data(in.get(), &callbacks);
    try {
        if (archive_read_open1(in.get()) != ARCHIVE_OK)
            fail(name + QStringLiteral(": ") + QString::fromLocal8Bit(archive_error_string(in.get())));
        unpackFrom(in.get(), name, root, destination, options);
    } catch (const Failure&) {
        if (callbacks.failure)
            std::rethrow_exception(callbacks.failure);
        throw;
    }
    // Never a success over bytes that could not be read, whatever libarchive made of the error.
    if (callbacks.failure)
        std::rethrow_exception(callbacks.failure);
}

void unpack(const ArchiveFeed::Read& read, const QString& name, const QString& destination, const Options& options) {
    const QString root = checkedRoot(destination);
    const auto in = reader(options);
    ArchiveFeed feed(read, 1 << 20);
    try {
        if (feed.open(in.get()) != ARCHIVE_OK)
            fail(name + QStringLiteral(": ") + QString::fromLocal8Bit(archive_error_string(in.get())));
        unpackFrom(in.get(), name, root, destination, options);
        feed.rethrow(); // libarchive never gets past a failed read, but should it, the failure stands
    } catch (const Failure&) {
        // A read that failed is reported as what the stream threw, not as libarchive saw it.
        feed.rethrow();
        throw;
    }
}

void checkTree(const QString& rootPath) {
    const QString root = resolvedPath(rootPath);
    if (root.isEmpty())
        fail(rootPath + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
    // Walk without following links: a linked folder is looked at as a link, never entered.
    QList<QString> folders{root};
    while (!folders.isEmpty()) {
        const QString folder = folders.takeLast();
        const QFileInfoList entries =
            QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo& info : entries) {
            // An entry that can't be looked at might be a link leading anywhere.
            struct stat st;
            if (Sys::lstat(QFile::encodeName(info.filePath()), st) != 0)
                fail(info.filePath().mid(root.size() + 1) + QStringLiteral(": ") +
                     QString::fromLocal8Bit(std::strerror(errno)));
            if (info.isSymLink()) {
                char buf[PATH_MAX];
                const ssize_t n = Sys::readlink(QFile::encodeName(info.filePath()), buf, sizeof buf - 1);
                const QString target = n > 0 ? QFile::decodeName(QByteArray(buf, n)) : QStringLiteral("/");
                const QString lexical = resolveLexically(folder, target);
                QString resolved = resolvedPath(info.filePath());
                if (resolved.isEmpty())
                    resolved = resolveAsFarAsExists(folder, target);
                if (!isInside(lexical, root) || !isInside(resolved, root))
                    fail(info.filePath().mid(root.size() + 1) +
                         QStringLiteral(": Refusing a link to a location outside the destination (") + target +
                         QStringLiteral(")"));
            } else if (info.isDir()) {
                folders.append(info.filePath());
            }
        }
    }
}

} // namespace Extraction
