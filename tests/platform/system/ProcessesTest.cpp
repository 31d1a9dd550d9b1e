#include "platform/system/Processes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Copies /bin/sleep into a bundle and starts it, so that /proc shows an executable inside it.
pid_t startInBundle(const QString& bundle) {
    QDir().mkpath(bundle + "/Contents/MacOS");
    const QString exe = bundle + "/Contents/MacOS/Example";
    QFile::copy("/bin/sleep", exe);
    QFile(exe).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray path = QFile::encodeName(exe);
    char arg[] = "30";
    char* argv[] = {const_cast<char*>(path.constData()), arg, nullptr};
    pid_t pid = 0;
    posix_spawn(&pid, path.constData(), nullptr, nullptr, argv, environ);
    return pid;
}

} // namespace

TEST(Processes, FindsTheBundleByLocationNotByIdentity) {
    QTemporaryDir dir;
    const QString bundle = QDir(dir.path()).canonicalPath() + "/Applications/Example.app";
    const QString otherCopy = QDir(dir.path()).canonicalPath() + "/Elsewhere/Example.app";
    QDir().mkpath(otherCopy);
    QFile::link(QDir(dir.path()).canonicalPath() + "/Applications", dir.filePath("Linked"));
    const pid_t pid = startInBundle(bundle);
    ASSERT_GT(pid, 0);
    usleep(100000);

    const auto byPath = Processes::running(bundle);
    const auto uncleaned = Processes::running(QDir(dir.path()).canonicalPath() + "/Applications/./x/../Example.app");
    const auto throughLink = Processes::running(dir.filePath("Linked/Example.app"));
    const auto other = Processes::running(otherCopy);

    ASSERT_EQ(byPath.size(), 1);
    EXPECT_EQ(byPath.first().pid, pid);
    EXPECT_EQ(byPath.first().bundle, bundle);
    EXPECT_EQ(uncleaned.size(), 1);
    EXPECT_EQ(throughLink.size(), 1);
    EXPECT_TRUE(other.isEmpty());

    EXPECT_TRUE(Processes::terminate(pid));
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(Processes::running(bundle).isEmpty());
}

TEST(Processes, BundleOfExecutableNeedsTheBundleLayout) {
    EXPECT_EQ(Processes::bundleOfExecutable("/Applications/A.app/Contents/MacOS/a"), "/Applications/A.app");
    EXPECT_EQ(Processes::bundleOfExecutable("/opt/A.app/Contents/Helpers/a"), "");
    EXPECT_EQ(Processes::bundleOfExecutable("/usr/bin/sleep"), "");
    EXPECT_EQ(Processes::bundleOfExecutable("/x/Contents/MacOS/a"), "");
}
