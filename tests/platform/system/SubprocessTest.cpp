#include "platform/system/Subprocess.h"
#include "runtime/FileError.h"
#include "platform/system/ToolFailure.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cerrno>

namespace {

QString script(const QTemporaryDir& dir, const QString& name, const QByteArray& body) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\n" + body);
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

TEST(Subprocess, FailingToolIsReportedByNameWithItsTrimmedText) {
    QTemporaryDir dir;
    const QString tool = script(dir, "boomer", "printf '  boom\\n'\nexit 1\n");

    try {
        Subprocess::run(tool, {});
        FAIL() << "no error";
    } catch (const ToolFailure& e) {
        EXPECT_EQ(e.description(), "boomer failed: boom");
        EXPECT_EQ(e.status, 1);
    }
    const auto out = Subprocess::output(tool, {});
    EXPECT_EQ(out.status, 1);
    EXPECT_EQ(out.text, "  boom\n");
}

TEST(Subprocess, MergesBothStreamsInOrderAndNeverUsesAShell) {
    QTemporaryDir dir;
    const QString tool = script(dir, "talk", "echo \"$1\"; echo err >&2; echo out\n");

    // The argument reaches the tool as one word, shell characters and all.
    const QByteArray out = Subprocess::run(tool, {"a; rm -rf $HOME"});

    EXPECT_EQ(out, "a; rm -rf $HOME\nerr\nout\n");
}

TEST(Subprocess, InputIsWrittenWholeAndAbsentInputReadsEndOfFile) {
    QTemporaryDir dir;
    const QString cat = script(dir, "cat", "exec cat\n");
    // Larger than any pipe buffer in both directions: feeding and draining must overlap.
    QByteArray big(4 << 20, 'x');
    big[12345] = 'y';

    EXPECT_EQ(Subprocess::run(cat, {}, big), big);
    EXPECT_EQ(Subprocess::run(cat, {}, QByteArray("Y\n")), "Y\n");
    EXPECT_EQ(Subprocess::run(cat, {}), "");
}

TEST(Subprocess, ALaunchFailureIsNotAnExitStatus) {
    const QString missing = "/nonexistent/tool";
    try {
        Subprocess::run(missing, {});
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.error, ENOENT);
        EXPECT_EQ(e.path, missing);
    }
    const auto out = Subprocess::output(missing, {});
    EXPECT_EQ(out.status, -1);
    EXPECT_EQ(out.text, "");
}
