#include "runtime/FileError.h"

#include <cerrno>

FileError::FileError(Op op, QString path, int error)
    : Error(sentence(op, error)), op(op), path(std::move(path)), error(error) {}

QString FileError::sentence(Op op, int error) {
    switch (error) {
    case ENOENT:
        return op == Op::List ? QStringLiteral("The folder doesn't exist.") : QStringLiteral("The file doesn't exist.");
    case EACCES:
    case EPERM:
        switch (op) {
        case Op::Read:
        case Op::Open:
        case Op::Stat:
            return QStringLiteral("You don't have permission to open the file.");
        case Op::List:
            return QStringLiteral("You don't have permission to view the folder.");
        default:
            return QStringLiteral("You don't have permission to change the file.");
        }
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("There isn't enough space on the disk.");
    case EROFS:
        return QStringLiteral("The volume is read only.");
    case EEXIST:
        return QStringLiteral("A file with the same name already exists.");
    case ENOTEMPTY:
        return QStringLiteral("The folder isn't empty.");
    case EXDEV:
        return QStringLiteral("The file can't be moved to another volume.");
    case ENAMETOOLONG:
        return QStringLiteral("The file name is too long.");
    default:
        break;
    }
    switch (op) {
    case Op::Read:
    case Op::Open:
    case Op::Stat:
        return QStringLiteral("The file couldn't be read.");
    case Op::List:
        return QStringLiteral("The folder couldn't be read.");
    case Op::Write:
    case Op::Create:
        return QStringLiteral("The file couldn't be saved.");
    case Op::Remove:
        return QStringLiteral("The file couldn't be removed.");
    case Op::Move:
        return QStringLiteral("The file couldn't be moved.");
    case Op::Copy:
        return QStringLiteral("The file couldn't be copied.");
    case Op::Link:
        return QStringLiteral("The link couldn't be made.");
    }
    return QStringLiteral("The file operation failed.");
}
