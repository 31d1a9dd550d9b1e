#include "platform/desktop/LoginItem.h"

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
    // A program path that needs quoting and escaping in an Exec line.
    const QString program = QStringLiteral("/opt/My Apps/Quen$lark \"x\"%.app/Contents/MacOS/quenlark");
    LoginItem item(program, entry);
    EXPECT_FALSE(item.enabled());

    item.setEnabled(true);
    EXPECT_TRUE(item.enabled());
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(
        QStringLiteral("\nExec=\"/opt/My Apps/Quen\\\\$lark \\\\\"x\\\\\"%%.app/Contents/MacOS/quenlark\" --background\n")))
        << text.toStdString();
    EXPECT_EQ(QFile::permissions(entry) & (QFile::WriteGroup | QFile::WriteOther), 0);

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
