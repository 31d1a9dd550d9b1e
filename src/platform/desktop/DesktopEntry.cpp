#include "platform/desktop/DesktopEntry.h"

#include "platform/files/SmallFile.h"
#include "platform/files/Sys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

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
    static const QRegularExpression reserved(u"[ \\t\\n\\r\"'\\\\><~|&;$*?#()`=]"_s);
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

// A string value carries a backslash, a line break and a tab only as its own escapes.
QString escaped(const QString& line) {
    QString result;
    result.reserve(line.size());
    for (const QChar c : line) {
        switch (c.unicode()) {
        case u'\\':
            result += u"\\\\"_s;
            break;
        case u'\n':
            result += u"\\n"_s;
            break;
        case u'\t':
            result += u"\\t"_s;
            break;
        case u'\r':
            result += u"\\r"_s;
            break;
        default:
            result += c;
        }
    }
    return result;
}

// Other control characters have no form in a string value.
bool carried(const QString& text) {
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return (c.unicode() < 0x20 && c != u'\n' && c != u'\t' && c != u'\r') || c.unicode() == 0x7f;
    });
}

} // namespace

QString refusal(const QString& program, const QStringList& arguments) {
    // The desktop looks the program up by its path as written, before it turns "%%" back into
    // "%", so no escape carries one there.
    if (program.contains(u'%'))
        return u"Quenlark can't open at login from here: its path holds a \"%\", which the desktop reads as a "
               u"placeholder, so it would never start it."_s;
    if (program.contains(u'='))
        return u"Quenlark can't open at login from here: its path holds a \"=\", which a desktop entry's program "
               u"may not contain."_s;
    if (!carried(program) || !std::all_of(arguments.begin(), arguments.end(), carried))
        return u"Quenlark can't open at login from here: its path holds a control character, which a desktop "
               u"entry can't carry."_s;
    return {};
}

QString execLine(const QString& program, const QStringList& arguments) {
    if (!refusal(program, arguments).isEmpty())
        return {};
    QStringList parts{quoted(program)};
    for (const QString& argument : arguments)
        parts << quoted(argument);
    // The value itself is a string of the entry, whose escapes are undone before the quoting.
    return escaped(parts.join(u' '));
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
