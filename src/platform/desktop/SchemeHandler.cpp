#include "platform/desktop/SchemeHandler.h"

#include "platform/files/SmallFile.h"
#include "platform/files/Sys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace SchemeHandler {
namespace {

// The missing folders of `path`, each made 0755 or stricter.
bool makeFolders(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).absolutePath();
    if (parent == clean || !makeFolders(parent))
        return false;
    return Sys::mkdir(QFile::encodeName(clean), 0755) == 0 || errno == EEXIST;
}

// Only a private scheme in reversed-domain form may be ours: never one of the schemes every
// desktop hands to its browser or file manager.
bool privateScheme(const QString& scheme) {
    static const QRegularExpression form(u"^[a-z][a-z0-9+-]*(\\.[a-z0-9+-]+)+$"_s);
    return form.match(scheme).hasMatch();
}

QString listPath() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config.isEmpty() ? QString() : config + u"/mimeapps.list"_s;
}

QString entryPath(const QString& scheme) {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : data + u"/applications/"_s + entryId(scheme);
}

QString readList(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The desktop reads these files as this user's settings: nobody else may write them, whatever
// the umask (0644 for a new file, an existing one keeps any stricter mode).
bool write(const QString& path, const QByteArray& contents) {
    const QFileInfo file(path);
    if (!makeFolders(file.absolutePath()))
        return false;
    struct stat info {};
    const mode_t mode = Sys::stat(QFile::encodeName(path), info) == 0 ? (info.st_mode & 0644) : 0644;
    return SmallFile::replace(path, contents, mode);
}

// One argument of an Exec line: quoted when it holds a reserved character, with "%" doubled.
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

// Sets `key` to `value` in the [Default Applications] group of a mimeapps.list, or removes the
// line when `value` is empty, keeping everything else.
QString withDefault(const QString& list, const QString& key, const QString& value) {
    QStringList lines = list.split(u'\n');
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const QString header = u"[Default Applications]"_s;
    const QString entry = key + u'=' + value + u';';
    qsizetype group = -1;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].trimmed() == header) {
            group = i;
            break;
        }
    if (group < 0) {
        if (value.isEmpty())
            return list;
        if (!lines.isEmpty())
            lines << QString();
        lines << header << entry;
        return lines.join(u'\n') + u'\n';
    }
    qsizetype end = group + 1;
    while (end < lines.size() && !lines[end].trimmed().startsWith(u'['))
        ++end;
    for (qsizetype i = group + 1; i < end; ++i)
        if (lines[i].section(u'=', 0, 0).trimmed() == key) {
            if (value.isEmpty())
                lines.removeAt(i);
            else
                lines[i] = entry;
            return lines.join(u'\n') + u'\n';
        }
    if (value.isEmpty())
        return list;
    lines.insert(group + 1, entry);
    return lines.join(u'\n') + u'\n';
}

// The first desktop file id `key` names in the [Default Applications] group, or "".
QString readDefault(const QString& list, const QString& key) {
    bool inGroup = false;
    for (const QString& raw : list.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'['))
            inGroup = line == u"[Default Applications]"_s;
        else if (inGroup && line.section(u'=', 0, 0).trimmed() == key)
            return line.section(u'=', 1).section(u';', 0, 0).trimmed();
    }
    return {};
}

} // namespace

QString entryId(const QString& scheme) { return u"quenlark-"_s + scheme.toLower() + u".desktop"_s; }

QString execLine(const QString& program, const QStringList& arguments) {
    QStringList parts{quoted(program)};
    for (const QString& argument : arguments)
        parts << quoted(argument);
    for (const QString& part : std::as_const(parts))
        if (part.contains(u'\n') || part.contains(u'\r'))
            return {};
    // The value itself is a string of the entry, whose own escape is the backslash.
    QString line = parts.join(u' ') + u" %u"_s;
    return line.replace(u"\\"_s, u"\\\\"_s);
}

bool install(const QString& scheme, const QString& program, const QStringList& arguments) {
    const QString exec = execLine(program, arguments);
    const QString entryFile = entryPath(scheme);
    const QString list = listPath();
    if (!privateScheme(scheme) || exec.isEmpty() || entryFile.isEmpty() || list.isEmpty())
        return false;
    const QString mime = u"x-scheme-handler/"_s + scheme;
    const QString entry = u"[Desktop Entry]\n"
                          u"Type=Application\n"
                          u"Name=Quenlark\n"
                          u"NoDisplay=true\n"
                          u"Terminal=false\n"
                          u"Exec="_s + exec + u"\nMimeType="_s + mime + u";\n"_s;
    if (!write(entryFile, entry.toUtf8()))
        return false;
    return write(list, withDefault(readList(list), mime, entryId(scheme)).toUtf8());
}

void remove(const QString& scheme) {
    const QString entryFile = entryPath(scheme);
    const QString list = listPath();
    if (!privateScheme(scheme) || entryFile.isEmpty() || list.isEmpty())
        return;
    QFile::remove(entryFile);
    const QString mime = u"x-scheme-handler/"_s + scheme;
    const QString before = readList(list);
    // Only our own choice is taken back; a default the user set since stays.
    if (readDefault(before, mime) != entryId(scheme))
        return;
    write(list, withDefault(before, mime, {}).toUtf8());
}

} // namespace SchemeHandler
