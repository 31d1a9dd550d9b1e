#include "platform/desktop/SchemeHandler.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace SchemeHandler {
namespace {

bool write(const QString& path, const QByteArray& contents) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(contents);
    return file.commit();
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

// Sets `key` in the [Default Applications] group of a mimeapps.list, keeping everything else.
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
            lines[i] = entry;
            return lines.join(u'\n') + u'\n';
        }
    lines.insert(group + 1, entry);
    return lines.join(u'\n') + u'\n';
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
    static const QRegularExpression form(u"^[A-Za-z][A-Za-z0-9+.-]*$"_s);
    const QString exec = execLine(program, arguments);
    if (!form.match(scheme).hasMatch() || exec.isEmpty())
        return false;
    const QString mime = u"x-scheme-handler/"_s + scheme.toLower();
    const QString entry = u"[Desktop Entry]\n"
                          u"Type=Application\n"
                          u"Name=Quenlark\n"
                          u"NoDisplay=true\n"
                          u"Terminal=false\n"
                          u"Exec="_s + exec + u"\nMimeType="_s + mime + u";\n"_s;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (data.isEmpty() || config.isEmpty())
        return false;
    if (!write(data + u"/applications/"_s + entryId(scheme), entry.toUtf8()))
        return false;

    const QString listPath = config + u"/mimeapps.list"_s;
    QString list;
    if (QFile file(listPath); file.open(QIODevice::ReadOnly))
        list = QString::fromUtf8(file.readAll());
    return write(listPath, withDefault(list, mime, entryId(scheme)).toUtf8());
}

} // namespace SchemeHandler
