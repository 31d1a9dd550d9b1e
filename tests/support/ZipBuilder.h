#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Writes zip archives entry by entry, hostile ones included (any name, any link target).
class ZipBuilder {
public:
    ZipBuilder& file(const QString& name, const QByteArray& content, int mode = 0644);
    ZipBuilder& folder(const QString& name, int mode = 0755);
    ZipBuilder& symlink(const QString& name, const QString& target);
    ZipBuilder& hardlink(const QString& name, const QString& target);

    // Zips a folder entry by entry, keeping modes and links, with the folder itself at the top.
    static bool tree(const QString& folder, const QString& zip);

    // Writes the archive; false when libarchive refused.
    bool write(const QString& path) const;

private:
    enum class Kind { File, Folder, Symlink, Hardlink };
    struct Entry {
        Kind kind;
        QString name;
        QByteArray content; // file content or link target
        int mode;
    };
    QList<Entry> entries_;
};
