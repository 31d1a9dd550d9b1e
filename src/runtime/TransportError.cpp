#include "runtime/Cancelled.h"
#include "runtime/FileError.h"
#include "runtime/ParseError.h"
#include "runtime/TransportError.h"

#include <cerrno>

Cancelled::Cancelled() : Error(QStringLiteral("The operation was cancelled.")) {}

TransportError::TransportError(Kind kind, QString detail)
    : Error(sentence(kind)), kind(kind), detail(std::move(detail)) {}

QString TransportError::sentence(Kind kind) {
    switch (kind) {
    case Kind::TimedOut: return QStringLiteral("The request timed out.");
    case Kind::HostNotFound: return QStringLiteral("A server with the specified hostname could not be found.");
    case Kind::ConnectionRefused: return QStringLiteral("Could not connect to the server.");
    case Kind::ConnectionLost: return QStringLiteral("The network connection was lost.");
    case Kind::Secure: return QStringLiteral("A secure connection to the server could not be made.");
    case Kind::UnsafeRedirect: return QStringLiteral("The server redirected to an address that is not secure.");
    case Kind::TooManyRedirects: return QStringLiteral("There were too many redirects.");
    case Kind::Unsupported: return QStringLiteral("The address uses an unsupported protocol.");
    case Kind::Offline: return QStringLiteral("The Internet connection appears to be offline.");
    case Kind::Cancelled: return QStringLiteral("The request was cancelled.");
    case Kind::Other: break;
    }
    return QStringLiteral("The network request failed.");
}

FileError::FileError(Op op, QString path, int error)
    : Error(sentence(op, error)), op(op), path(std::move(path)), error(error) {}

QString FileError::sentence(Op op, int error) {
    switch (error) {
    case ENOENT:
        return op == Op::List ? QStringLiteral("The folder doesn't exist.")
                              : QStringLiteral("The file doesn't exist.");
    case EACCES:
    case EPERM:
        switch (op) {
        case Op::Read:
        case Op::Open:
        case Op::Stat: return QStringLiteral("You don't have permission to open the file.");
        case Op::List: return QStringLiteral("You don't have permission to view the folder.");
        default: return QStringLiteral("You don't have permission to change the file.");
        }
    case ENOSPC:
    case EDQUOT: return QStringLiteral("There isn't enough space on the disk.");
    case EROFS: return QStringLiteral("The volume is read only.");
    case EEXIST: return QStringLiteral("A file with the same name already exists.");
    case ENOTEMPTY: return QStringLiteral("The folder isn't empty.");
    case EXDEV: return QStringLiteral("The file can't be moved to another volume.");
    case ENAMETOOLONG: return QStringLiteral("The file name is too long.");
    default: break;
    }
    switch (op) {
    case Op::Read:
    case Op::Open:
    case Op::Stat: return QStringLiteral("The file couldn't be read.");
    case Op::List: return QStringLiteral("The folder couldn't be read.");
    case Op::Write:
    case Op::Create: return QStringLiteral("The file couldn't be saved.");
    case Op::Remove: return QStringLiteral("The file couldn't be removed.");
    case Op::Move: return QStringLiteral("The file couldn't be moved.");
    case Op::Copy: return QStringLiteral("The file couldn't be copied.");
    case Op::Link: return QStringLiteral("The link couldn't be made.");
    }
    return QStringLiteral("The file operation failed.");
}

ParseError::ParseError()
    : Error(QStringLiteral("The data couldn't be read because it isn't in the correct format.")) {}

ParseError::ParseError(QString sentence) : Error(std::move(sentence)) {}
