#include "model/Launch.h"
#include "model/ThisMac.h"
#include "platform/system/Defaults.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <vector>

namespace {

class ThisMacTest : public ::testing::Test {
protected:
    void TearDown() override {
        ThisMac::setRootForTest({});
        Launch::setArgsForTest({});
    }

    // Writes a system file under the fake root and reads from there from now on.
    void put(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(root.path() + path.section(u'/', 0, -2));
        QFile file(root.path() + path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        ThisMac::setRootForTest(root.path());
    }

    QTemporaryDir root;
};

TEST_F(ThisMacTest, NameIsTheUsersOwnElseThePrettyHostNameAsTheShellReadsIt) {
    const QString host = QSysInfo::machineHostName().isEmpty() ? "This Mac" : QSysInfo::machineHostName();
    const struct {
        QByteArray file;
        QString expected;
    } cases[] = {
        {"PRETTY_HOSTNAME=\"Ada's Laptop\"\n", "Ada's Laptop"},
        {"ICON_NAME=computer\nPRETTY_HOSTNAME='Kitchen \"Mac\"'\n", "Kitchen \"Mac\""},
        {"PRETTY_HOSTNAME=\"Say \\\"hi\\\"\"", "Say \"hi\""},
        {"PRETTY_HOSTNAME=Cafe\xcc\x81\n", "Caf\u00e9"},
        {"PRETTY_HOSTNAME=\"\"\n", host},
        {"# PRETTY_HOSTNAME=Commented\n", host},
    };
    for (const auto& c : cases) {
        put("/etc/machine-info", c.file);
        EXPECT_EQ(ThisMac::name(QString()), c.expected) << c.file.constData();
    }
    EXPECT_EQ(ThisMac::name(" "), " ");
}

TEST_F(ThisMacTest, ModelIsTheProductNameOrEmpty) {
    ThisMac::setRootForTest(root.path());
    EXPECT_EQ(ThisMac::model(), "");
    put("/sys/class/dmi/id/product_name", "ThinkPad X1 Carbon Gen 9\n");
    EXPECT_EQ(ThisMac::model(), "ThinkPad X1 Carbon Gen 9");
}

TEST_F(ThisMacTest, HashesTheMachineIdElseTheDeviceId) {
    Launch::setArgsForTest({"--device-id", "given"});
    put("/etc/machine-id", "3d1219c7c4c5404aaa1f6d2a48adfda4\n");
    EXPECT_EQ(ThisMac::platformHardwareID(), "a98b0be4c493112f2b5e3025833cb75fbe1ea7a4231e4a769e207e8682ff7e05");
    for (const QByteArray content : {"", "uninitialized\n"}) {
        put("/etc/machine-id", content);
        EXPECT_EQ(ThisMac::platformHardwareID(), "0c754adbf394af79c1839da5f6be0ec0c39c30aa3742dee7c1526fcfd7300fd8");
    }
}

TEST_F(ThisMacTest, DeviceIdIsMadeOnceAndKeptAcrossRuns) {
    const auto stored = [] { return Defaults::standard()->string("deviceID"); };
    Defaults::standard()->remove("deviceID");
    put("/etc/machine-id", "3d1219c7c4c5404aaa1f6d2a48adfda4\n");
    ThisMac::platformHardwareID();
    EXPECT_EQ(stored(), std::nullopt) << "no device id while the machine id reads";

    put("/etc/machine-id", "");
    const auto first = ThisMac::platformHardwareID();
    ASSERT_TRUE(stored());
    EXPECT_TRUE(QRegularExpression("^d[0-9a-f]{32}$").match(*stored()).hasMatch()) << stored()->toStdString();
    EXPECT_EQ(first, ThisMac::hashedID(*stored()));

    Defaults::resetForTest(); // the next run reads the file again
    ThisMac::setRootForTest(root.path());
    EXPECT_EQ(ThisMac::platformHardwareID(), first);

    const auto kept = stored();
    Launch::setArgsForTest({"--device-id", "given"});
    ThisMac::setRootForTest(root.path());
    EXPECT_EQ(ThisMac::platformHardwareID(), ThisMac::hashedID("given"));
    EXPECT_EQ(stored(), kept);
}

TEST_F(ThisMacTest, HashIsFixedOnFirstUseEvenFromManyThreads) {
    put("/etc/machine-id", "first\n");
    std::vector<QString> seen(8);
    std::vector<std::unique_ptr<QThread>> threads;
    for (auto& slot : seen)
        threads.emplace_back(QThread::create([&slot] { slot = ThisMac::platformHardwareID(); }))->start();
    for (auto& thread : threads)
        thread->wait();
    for (const auto& value : seen)
        EXPECT_EQ(value, ThisMac::hashedID("first"));
    QFile::remove(root.path() + "/etc/machine-id");
    EXPECT_EQ(ThisMac::platformHardwareID(), seen.front());
}

} // namespace
