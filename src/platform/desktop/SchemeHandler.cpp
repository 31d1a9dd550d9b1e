#include "platform/desktop/SchemeHandler.h"

#include "platform/desktop/DesktopEntry.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace SchemeHandler {
namespace {

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
    return DesktopEntry::value(list, u"Default Applications"_s, key).section(u';', 0, 0).trimmed();
}

} // namespace

QString entryId(const QString& scheme) { return u"quenlark-"_s + scheme.toLower() + u".desktop"_s; }

QString execLine(const QString& program, const QStringList& arguments) {
    const QString line = DesktopEntry::execLine(program, arguments);
    return line.isEmpty() ? line : line + u" %u"_s;
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
                          u"Exec="_s +
                          exec + u"\nMimeType="_s + mime + u";\n"_s;
    if (!DesktopEntry::write(entryFile, entry.toUtf8()))
        return false;
    return DesktopEntry::write(list, withDefault(readList(list), mime, entryId(scheme)).toUtf8());
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
    DesktopEntry::write(list, withDefault(before, mime, {}).toUtf8());
}

} // namespace SchemeHandler
