#include "platform/desktop/LoginItem.h"

#include "platform/desktop/SchemeHandler.h"

#include "RunSync.h"
#include "runtime/Error.h"
#include "runtime/FileError.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>

namespace {

// The entry as the desktop's own validator reads it; nothing when the validator is missing.
std::optional<QProcess::ExitStatus> validate(const QString& entry, int& status, QString& output) {
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        return std::nullopt;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(validator, {entry});
    process.waitForFinished(10000);
    status = process.exitCode();
    output = QString::fromUtf8(process.readAll());
    return process.exitStatus();
}

} // namespace

TEST(LoginItem, WritesAnAutostartEntryTheDesktopAcceptsAndRemovingItTurnsItOff) {
    const QString folder = QDir::tempPath() + QStringLiteral("/login-item/config/autostart");
    const QString entry = folder + QStringLiteral("/com.quenlark.Quenlark.desktop");
    // A program path that needs quoting and every escape of an Exec line; the program records
    // what it was started with.
    const QString bundle = QDir::tempPath() + QStringLiteral("/login-item/My Apps/Quen$lark \"x\" \\ `a'\tb\nc.app");
    const QString program = bundle + QStringLiteral("/quenlark");
    QFile script(program);
    ASSERT_TRUE(QDir().mkpath(bundle) && script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s|' \"$0\" \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.ran\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    LoginItem item(program, entry);
    EXPECT_FALSE(item.enabled());

    item.setEnabled(true);
    EXPECT_TRUE(item.enabled());
    // The desktop's own loader takes the entry and starts the program with its path whole.
    QProcess launch;
    launch.start(QStringLiteral("gio"), {QStringLiteral("launch"), entry});
    ASSERT_TRUE(launch.waitForFinished(10000));
    EXPECT_EQ(launch.exitCode(), 0) << launch.readAllStandardError().toStdString();
    QFile recorded(program + QStringLiteral(".ran"));
    ASSERT_TRUE(waitUntil([&] { return recorded.exists(); }) && recorded.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(recorded.readAll()), program + QStringLiteral("|--background|"));
    EXPECT_EQ(QFile::permissions(entry) & (QFile::WriteGroup | QFile::WriteOther), 0);
    // The address handler's entry the same, its "%" doubled only where a field code could stand.
    const QString scheme = QStringLiteral("com.example.quenlark"), address = scheme + QStringLiteral(":/cb?a=1&b=2");
    ASSERT_TRUE(SchemeHandler::install(scheme, program, {QStringLiteral("--sandbox"), QStringLiteral("/tmp/5 0%")}));
    recorded.close();
    QFile::remove(recorded.fileName());
    const QString handler = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                            QStringLiteral("/applications/") + SchemeHandler::entryId(scheme);
    launch.start(QStringLiteral("gio"), {QStringLiteral("launch"), handler, address});
    ASSERT_TRUE(launch.waitForFinished(10000));
    EXPECT_EQ(launch.exitCode(), 0) << launch.readAllStandardError().toStdString();
    ASSERT_TRUE(waitUntil([&] { return recorded.exists(); }) && recorded.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(recorded.readAll()),
              program + QStringLiteral("|--sandbox|/tmp/5 0%|") + address + u'|');
    SchemeHandler::remove(scheme);

    // Turned on again: the entry is replaced, never doubled.
    item.setEnabled(true);
    EXPECT_TRUE(item.enabled());

    int status = -1;
    QString output;
    const auto ran = validate(entry, status, output);
    // The switch itself is checked above either way; only the validator's verdict is skipped.
    if (!ran)
        GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
    EXPECT_EQ(*ran, QProcess::NormalExit);
    EXPECT_EQ(status, 0) << output.toStdString();
    EXPECT_TRUE(output.trimmed().isEmpty()) << "no warnings either: " << output.toStdString();

    // The user, or another program, takes the entry away: the switch reads off.
    ASSERT_TRUE(QFile::remove(entry));
    EXPECT_FALSE(item.enabled());
    // Turning off what is not there is refused, as unregistering an unknown item is.
    try {
        item.setEnabled(false);
        ADD_FAILURE() << "turning off a missing entry succeeded";
    } catch (const FileError& error) {
        EXPECT_EQ(error.error, ENOENT);
    }
    item.setEnabled(true);
    item.setEnabled(false);
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_FALSE(item.enabled());
}

TEST(LoginItem, AnEntryTheDesktopWouldSkipReadsOff) {
    const QString entry = QDir::tempPath() + QStringLiteral("/login-item-off/com.quenlark.Quenlark.desktop");
    ASSERT_TRUE(QDir().mkpath(QDir::tempPath() + QStringLiteral("/login-item-off")));
    const struct {
        const char* extra;
        bool enabled;
    } rows[] = {
        {"", true},
        {"Hidden=true\n", false},
        {"Hidden=false\n", true},
        {"X-GNOME-Autostart-enabled=false\n", false},
        {"[Other]\nHidden=true\n", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.extra);
        QFile file(entry);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("[Desktop Entry]\nType=Application\nName=Quenlark\nExec=quenlark --background\n") +
                   row.extra);
        file.close();
        EXPECT_EQ(LoginItem(QStringLiteral("/x"), entry).enabled(), row.enabled);
    }
}

// An entry left by another copy starts this one from now on; one that could only start a copy
// that is gone is taken away with the reason.
TEST(LoginItem, FollowsTheRunningCopyAndRefusesWhatNoEntryCanCarry) {
    const QString entry = QDir::tempPath() + QStringLiteral("/login-item-follow/com.quenlark.Quenlark.desktop");
    LoginItem old(QStringLiteral("/opt/Old.app/quenlark"), entry), here(QStringLiteral("/opt/New.app/quenlark"), entry);
    here.follow();
    EXPECT_FALSE(here.enabled()) << "an entry that is off stays off";
    old.setEnabled(true);
    here.follow();
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("\nExec=/opt/New.app/quenlark --background\n"));
    const char* const rows[][2] = {
        {"/opt/50%.app/q", "a \"%\", which the desktop reads as a placeholder, so it would never start it."},
        {"/opt/a=b.app/q", "a \"=\", which a desktop entry's program may not contain."},
        {"/opt/a\ab.app/q", "a control character, which a desktop entry can't carry."},
    };
    for (const auto& [program, why] : rows) {
        old.setEnabled(true);
        here.setProgram(QString::fromUtf8(program));
        try {
            here.follow();
            ADD_FAILURE() << program << ": an entry the desktop can not start was written";
        } catch (const Error& error) {
            const QString start = QStringLiteral("Quenlark can't open at login from here: its path holds ");
            EXPECT_EQ(error.description(), start + QString::fromUtf8(why));
        }
        EXPECT_FALSE(QFile::exists(entry)) << program;
        EXPECT_FALSE(SchemeHandler::install(QStringLiteral("com.example.quenlark"), here.program(), {})) << program;
    }
}
