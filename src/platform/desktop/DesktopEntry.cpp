#include "platform/desktop/DesktopEntry.h"

#include "platform/files/SmallFile.h"
#include "platform/files/Sys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace DesktopEntry {
namespace {

bool makeFolders(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).absolutePath();
    if (parent == clean || !makeFolders(parent))
        return false;
    return Sys::mkdir(QFile::encodeName(clean), 0755) == 0 || errno == EEXIST;
}

// One argument: quoted when it holds a reserved character, with "%" doubled.
QString quoted(QString argument) {
    argument.replace(u"%"_s, u"%%"_s);
    static const QRegularExpression reserved(u"[ \\t\"'\\\\><~|&;$*?#()`=]"_s);
    if (!argument.isEmpty() && !reserved.match(argument).hasMatch())
        return argument;
    QString result = u"\""_s;
    for (const QChar c : std::as_const(argument)) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            result += u'\\';
        result += c;
    }
    return result + u'"';
}

} // namespace

QString execLine(const QString& program, const QStringList& arguments) {
    QStringList parts{quoted(program)};
    for (const QString& argument : arguments)
        parts << quoted(argument);
    for (const QString& part : std::as_const(parts))
        if (part.contains(u'\n') || part.contains(u'\r'))
            return {};
    // The value itself is a string of the entry, whose own escape is the backslash.
    return parts.join(u' ').replace(u"\\"_s, u"\\\\"_s);
}

QString value(const QString& keyFile, const QString& group, const QString& key) {
    const QString header = u'[' + group + u']';
    bool inGroup = false;
    for (const QString& raw : keyFile.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'['))
            inGroup = line == header;
        else if (inGroup && line.section(u'=', 0, 0).trimmed() == key)
            return line.section(u'=', 1).trimmed();
    }
    return {};
}

bool write(const QString& path, const QByteArray& contents) {
    const QFileInfo file(path);
    if (!makeFolders(file.absolutePath()))
        return false;
    struct stat info {};
    const mode_t mode = Sys::stat(QFile::encodeName(path), info) == 0 ? (info.st_mode & 0644) : 0644;
    return SmallFile::replace(path, contents, mode);
}

} // namespace DesktopEntry
