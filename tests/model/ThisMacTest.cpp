#include "model/Launch.h"
#include "model/ThisMac.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
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

    void put(const QString& path, const QByteArray& bytes) {
        const auto full = root.path() + path;
        QDir().mkpath(full.section(u'/', 0, -2));
        QFile file(full);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void useRoot() { ThisMac::setRootForTest(root.path()); }

    QTemporaryDir root;
};

TEST_F(ThisMacTest, NamePrefersTheUsersOwnNameUntrimmed) {
    put("/etc/machine-info", "PRETTY_HOSTNAME=Study\n");
    useRoot();
    EXPECT_EQ(ThisMac::name(QStringLiteral(" ")), QStringLiteral(" "));
    EXPECT_EQ(ThisMac::name(QString()), QStringLiteral("Study"));
}

TEST_F(ThisMacTest, PrettyHostNameIsReadAsTheShellWouldReadIt) {
    const auto host = QSysInfo::machineHostName().isEmpty() ? QStringLiteral("This Mac") : QSysInfo::machineHostName();
    const struct {
        QByteArray file;
        QString expected;
    } cases[] = {
        {"PRETTY_HOSTNAME=\"Ada's Laptop\"\n", QStringLiteral("Ada's Laptop")},
        {"ICON_NAME=computer-laptop\nPRETTY_HOSTNAME='Kitchen \"Mac\"'\nCHASSIS=laptop\n",
         QStringLiteral("Kitchen \"Mac\"")},
        {"PRETTY_HOSTNAME=\"Say \\\"hi\\\"\"", QStringLiteral("Say \"hi\"")},
        {"PRETTY_HOSTNAME=Cafe\xcc\x81\n", QStringLiteral("Caf\u00e9")}, // decomposed in the file
        {"PRETTY_HOSTNAME=\n", host},
        {"PRETTY_HOSTNAME=\"\"\n", host},
        {"HOSTNAME=other\n", host},
        {"# PRETTY_HOSTNAME=Commented\n", host},
    };
    for (const auto& c : cases) {
        put("/etc/machine-info", c.file);
        useRoot();
        EXPECT_EQ(ThisMac::computerName(), c.expected) << c.file.constData();
    }
}

TEST_F(ThisMacTest, ModelIsTheProductNameOrEmpty) {
    useRoot();
    EXPECT_EQ(ThisMac::model(), QString());
    put("/sys/class/dmi/id/product_name", "ThinkPad X1 Carbon Gen 9\n");
    EXPECT_EQ(ThisMac::model(), QStringLiteral("ThinkPad X1 Carbon Gen 9"));
}

TEST_F(ThisMacTest, HashOfTheMachineIdIgnoresTheDeviceIdOption) {
    put("/etc/machine-id", "3d1219c7c4c5404aaa1f6d2a48adfda4\n");
    Launch::setArgsForTest({QStringLiteral("--device-id"), QStringLiteral("given")});
    useRoot();
    EXPECT_EQ(ThisMac::platformHardwareID(),
              QStringLiteral("a98b0be4c493112f2b5e3025833cb75fbe1ea7a4231e4a769e207e8682ff7e05"));
}

TEST_F(ThisMacTest, WithoutAMachineIdTheDeviceIdOptionIsHashed) {
    for (const QByteArray& content : {QByteArray(), QByteArray("uninitialized\n")}) {
        if (!content.isNull())
            put("/etc/machine-id", content);
        Launch::setArgsForTest({QStringLiteral("--device-id"), QStringLiteral("given")});
        useRoot();
        EXPECT_EQ(ThisMac::platformHardwareID(),
                  QStringLiteral("0c754adbf394af79c1839da5f6be0ec0c39c30aa3742dee7c1526fcfd7300fd8"));
    }
}

TEST_F(ThisMacTest, HashIsFixedOnFirstUseEvenFromTwoThreads) {
    put("/etc/machine-id", "first\n");
    useRoot();
    std::vector<QString> seen(8);
    std::vector<QThread*> threads;
    for (auto& slot : seen)
        threads.push_back(QThread::create([&slot] { slot = ThisMac::platformHardwareID(); }));
    for (auto* thread : threads)
        thread->start();
    for (auto* thread : threads) {
        thread->wait();
        delete thread;
    }
    for (const auto& value : seen) {
        EXPECT_EQ(value, ThisMac::hashedID(QStringLiteral("first")));
        EXPECT_EQ(value.size(), 64);
        EXPECT_EQ(value, value.toLower());
    }
    put("/etc/machine-id", "second\n");
    EXPECT_EQ(ThisMac::platformHardwareID(), seen.front());
}

} // namespace
