#pragma once

#include <QString>

// The renames that replace and trash bundles. Tests run as root, which the system never refuses,
// so they install a double that answers EPERM or EACCES. Each call returns 0 or the errno.
class FileOps {
public:
    virtual ~FileOps();

    // Moves `from` to `to`, failing with EEXIST when something is already at `to`. Where the
    // file system lacks the exclusive rename, it checks first and then renames.
    virtual int renameNoReplace(const QString& from, const QString& to);
    // The exclusive rename alone (renameat2 with RENAME_NOREPLACE): EINVAL or ENOSYS where the
    // file system or kernel lacks it, never a plain rename.
    virtual int renameExclusive(const QString& from, const QString& to);
    // Exchanges the two paths in one step (renameat2 with RENAME_EXCHANGE).
    virtual int exchange(const QString& a, const QString& b);

    // The operations in use: the system's, or the one a test installed.
    static FileOps& shared();
    // Installs `ops` (not owned; nullptr restores the system's).
    static void setForTest(FileOps* ops);
};
