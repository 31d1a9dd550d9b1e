#include "ZipBuilder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

#include <unistd.h>

#include <archive.h>
#include <archive_entry.h>

ZipBuilder& ZipBuilder::file(const QString& name, const QByteArray& content, int mode) {
    entries_.append({Kind::File, name, content, mode});
    return *this;
}

ZipBuilder& ZipBuilder::folder(const QString& name, int mode) {
    entries_.append({Kind::Folder, name, {}, mode});
    return *this;
}

ZipBuilder& ZipBuilder::symlink(const QString& name, const QString& target) {
    entries_.append({Kind::Symlink, name, target.toUtf8(), 0755});
    return *this;
}

ZipBuilder& ZipBuilder::hardlink(const QString& name, const QString& target) {
    entries_.append({Kind::Hardlink, name, target.toUtf8(), 0644});
    return *this;
}

bool ZipBuilder::write(const QString& path) const {
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    bool ok = archive_write_open_filename(a, QFile::encodeName(path).constData()) == ARCHIVE_OK;
    for (const Entry& e : entries_) {
        if (!ok)
            break;
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.toUtf8().constData());
        archive_entry_set_mtime(entry, 1700000000, 0);
        switch (e.kind) {
        case Kind::File:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, e.content.size());
            break;
        case Kind::Folder:
            archive_entry_set_filetype(entry, AE_IFDIR);
            break;
        case Kind::Symlink:
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, e.content.constData());
            break;
        case Kind::Hardlink:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_hardlink(entry, e.content.constData());
            break;
        }
        archive_entry_set_perm(entry, mode_t(e.mode));
        ok = archive_write_header(a, entry) >= ARCHIVE_WARN;
        if (ok && e.kind == Kind::File && !e.content.isEmpty())
            ok = archive_write_data(a, e.content.constData(), size_t(e.content.size())) == e.content.size();
        archive_entry_free(entry);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    return ok;
}

bool ZipBuilder::tree(const QString& folder, const QString& zip) {
    ZipBuilder builder;
    const QString base = QFileInfo(folder).path();
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QStringList paths{folder};
    while (it.hasNext())
        paths << it.next();
    for (const QString& path : paths) {
        const QFileInfo info(path);
        const QString name = path.mid(base.size() + 1);
        if (info.isSymLink()) {
            char target[4096];
            const ssize_t n = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
            builder.symlink(name, QFile::decodeName(QByteArray(target, int(std::max<ssize_t>(n, 0)))));
        } else if (info.isDir()) {
            builder.folder(name + QLatin1Char('/'));
        } else {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return false;
            builder.file(name, file.readAll(), info.permissions() & QFile::ExeOwner ? 0755 : 0644);
        }
    }
    return builder.write(zip);
}
