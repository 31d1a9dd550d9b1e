#include "platform/files/FolderDescent.h"
#include "platform/files/Sys.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>

namespace {

void nothing(int) {}

// A handler installed without SA_RESTART, so a blocked call returns EINTR when it arrives.
struct Interrupting {
    struct sigaction previous {};
    Interrupting() {
        struct sigaction action {};
        action.sa_handler = nothing;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGUSR1, &action, &previous);
    }
    ~Interrupting() { ::sigaction(SIGUSR1, &previous, nullptr); }
};

} // namespace

TEST(Sys, ABlockedReadOrWaitGoesOnThroughSignals) {
    Interrupting interrupting;
    UniqueFd in, out;
    ASSERT_TRUE(Sys::pipe(in, out));
    const pthread_t reader = ::pthread_self();
    std::thread writer([&] {
        for (int i = 0; i < 5; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ::pthread_kill(reader, SIGUSR1);
        }
        Sys::writeAll(out.get(), "hello", 5);
        for (int i = 0; i < 3; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ::pthread_kill(reader, SIGUSR1);
        }
        out.reset();
    });
    char buffer[5];
    const ssize_t got = Sys::readFull(in.get(), buffer, sizeof buffer);
    pollfd end{in.get(), POLLIN, 0};
    const int ready = Sys::poll(&end, 1, 5000);
    writer.join();
    ASSERT_EQ(got, 5);
    EXPECT_EQ(QByteArray(buffer, 5), "hello");
    EXPECT_EQ(ready, 1);
}

// A failure's errno is what the caller reports, so dropping what the failed step held keeps it.
TEST(Sys, FailuresKeepTheirErrnoThroughTheCleanUp) {
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    QFile(dir.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly);

    errno = ENOSPC;
    { UniqueFd dropped = Sys::open("/dev/null", O_RDONLY | O_CLOEXEC); }
    EXPECT_EQ(errno, ENOSPC);

    const UniqueFd folder = Sys::open(root, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_TRUE(folder);
    EXPECT_FALSE(Sys::openFolder(Sys::openat(folder.get(), "missing", O_RDONLY | O_DIRECTORY)));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(Sys::openFolder(QByteArray(root + "/missing")));
    EXPECT_EQ(errno, ENOENT);

    FolderDescent descent(Sys::open(root, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    EXPECT_FALSE(descent.enter("file"));
    EXPECT_EQ(errno, ENOTDIR);

    QByteArray pattern = root + "/missing/x.XXXXXX";
    const QByteArray given = pattern;
    EXPECT_FALSE(Sys::makeTemporary(pattern, O_CLOEXEC));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(pattern, given);
    pattern = root + "/x.XXXXXX";
    EXPECT_TRUE(Sys::makeTemporary(pattern, O_CLOEXEC));
    EXPECT_FALSE(pattern.endsWith("XXXXXX"));
    EXPECT_TRUE(QFile::exists(QFile::decodeName(pattern)));
}
