#include "platform/desktop/LoginItem.h"

#include "platform/desktop/DesktopEntry.h"
#include "platform/files/SmallFile.h"
#include "runtime/Error.h"
#include "runtime/FileError.h"

#include <QFile>
#include <QStandardPaths>

#include <cerrno>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 entryLimit = 64 * 1024;

const QStringList arguments{u"--background"_s};

QString value(const QString& entry, const QString& key) { return DesktopEntry::value(entry, u"Desktop Entry"_s, key); }

// Whether the desktop starts the entry at login.
bool startsAtLogin(const QString& entry) {
    return value(entry, u"Type"_s) == u"Application"_s && value(entry, u"Hidden"_s) != u"true"_s &&
           value(entry, u"X-GNOME-Autostart-enabled"_s) != u"false"_s;
}

} // namespace

LoginItem::LoginItem(QString program, QString entry) : program_(std::move(program)), entry_(std::move(entry)) {}

LoginItem::~LoginItem() = default;

QString LoginItem::standardEntry() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/autostart/com.quenlark.Quenlark.desktop"_s;
}

bool LoginItem::enabled() const {
    const auto bytes = SmallFile::read(entry_, entryLimit);
    if (!bytes)
        return false;
    return startsAtLogin(QString::fromUtf8(*bytes));
}

void LoginItem::follow() {
    const auto bytes = SmallFile::read(entry_, entryLimit);
    const QString entry = bytes ? QString::fromUtf8(*bytes) : QString();
    if (!startsAtLogin(entry))
        return;
    if (!DesktopEntry::refusal(program_, arguments).isEmpty())
        setEnabled(false); // and the turning on below says why
    else if (value(entry, u"Exec"_s) == DesktopEntry::execLine(program_, arguments))
        return;
    setEnabled(true);
}

void LoginItem::setEnabled(bool on) {
    if (!on) {
        if (::unlink(QFile::encodeName(entry_).constData()) != 0)
            throw FileError(FileError::Op::Remove, entry_, errno);
        return;
    }
    if (const QString why = DesktopEntry::refusal(program_, arguments); !why.isEmpty())
        throw Error(why);
    const QString exec = DesktopEntry::execLine(program_, arguments);
    const QString entry = u"[Desktop Entry]\n"
                          u"Type=Application\n"
                          u"Name=Quenlark\n"
                          u"Exec="_s +
                          exec + u"\nTerminal=false\nX-GNOME-Autostart-enabled=true\n"_s;
    if (!DesktopEntry::write(entry_, entry.toUtf8()))
        throw FileError(FileError::Op::Write, entry_, errno);
}
