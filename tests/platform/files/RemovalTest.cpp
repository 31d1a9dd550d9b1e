#include "platform/files/Removal.h"
#include "runtime/FileError.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

int openDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

} // namespace

TEST(Removal, HoldsABoundedNumberOfDescriptorsWhateverTheDepth) {
    QTemporaryDir dir;
    const QString root = dir.filePath("tree");
    ASSERT_TRUE(QDir().mkpath(root));
    // 300 levels, each with a file and a link out beside the folder below.
    QFile::link(dir.filePath("keep"), root + "/out");
    int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        ::close(::openat(fd, "f", O_WRONLY | O_CREAT, 0644));
        ASSERT_EQ(::symlinkat("../../../keep", fd, "up"), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ::close(fd);
    QFile keep(dir.filePath("keep"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.close();

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = rlim_t(openDescriptors() + 24);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    QString failure;
    try {
        Removal::removeItem(root);
    } catch (const FileError& error) {
        failure = error.description();
    }
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(failure, QString());
    EXPECT_FALSE(QFileInfo::exists(root));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("keep"))) << "links are removed, never what they point at";
}
