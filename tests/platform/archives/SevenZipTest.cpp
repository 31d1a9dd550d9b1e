#include "platform/archives/SevenZip.h"

#include "UdifWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <optional>

#include <unistd.h>

namespace {

QString linkText(const QString& path) {
    char buffer[4096];
    const ssize_t n = readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(buffer, n));
}

} // namespace

TEST(SevenZip, LinksAreMadeAgainAsStoredNotAs7ZipLeftThem) {
    QTemporaryDir dir;
    const QString volume = dir.filePath("volume");
    QDir().mkpath(volume + "/Example.app/Contents/MacOS");
    QFile exe(volume + "/Example.app/Contents/MacOS/Example");
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.write("binary");
    exe.close();
    QFile::link("/Applications", volume + "/Applications");         // 7-Zip points it at itself
    QFile::link("../../etc", volume + "/Example.app/up");           // 7-Zip drops it
    QFile::link("MacOS", volume + "/Example.app/Contents/Current"); // 7-Zip keeps it
    ASSERT_TRUE(makeIso(volume, dir.filePath("volume.iso")));
    // HFS+ keeps a link's target as its data, and 7-Zip lists the volume in a folder of its name.
    ASSERT_TRUE(makeHfs(volume, dir.filePath("volume.hfs")));

    for (const QString type : {"iso", "hfs"}) {
        SCOPED_TRACE(type.toStdString());
        const QString out = dir.filePath("mount-" + type);

        SevenZip::extract(dir.filePath("volume." + type), type, out);

        QFile copied(out + "/Example.app/Contents/MacOS/Example");
        ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
        EXPECT_EQ(copied.readAll(), "binary");
        EXPECT_EQ(linkText(out + "/Applications"), "/Applications");
        EXPECT_EQ(linkText(out + "/Example.app/up"), "../../etc");
        EXPECT_EQ(linkText(out + "/Example.app/Contents/Current"), "MacOS");
        EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                  QStringList({"Applications", "Example.app"}));
    }
}

TEST(SevenZip, AVolumeItCannotReadIsRefused) {
    QTemporaryDir dir;
    QFile junk(dir.filePath("junk"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(70000, 'j'));
    junk.close();

    EXPECT_THROW(SevenZip::extract(junk.fileName(), "hfs", dir.filePath("out")), SevenZip::Failure);
    EXPECT_TRUE(QDir(dir.filePath("out")).isEmpty());
}

TEST(SevenZip, FilesBeyondTheBudgetAreRefusedBeforeAnyIsWritten) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("volume"));
    QFile zeros(dir.filePath("volume/zeros"));
    ASSERT_TRUE(zeros.open(QIODevice::WriteOnly));
    zeros.write(QByteArray(4 << 20, '\0'));
    zeros.close();
    ASSERT_TRUE(makeIso(dir.filePath("volume"), dir.filePath("volume.iso")));
    const auto budget = [](qint64 ceiling, qint64 decoded) {
        ExpansionBudget b{ExpansionLimit(), 4096, decoded};
        b.limit.lowerTo(ceiling);
        return b;
    };
    struct Row {
        const char* what;
        std::optional<ExpansionBudget> budget;
        bool unpacks;
    };
    const Row rows[] = {
        {"no bound", std::nullopt, true},
        {"within the ceiling", budget(8 << 20, 0), true},
        {"beyond it", budget(1 << 20, 0), false},
        {"beyond what the volume's expansion left", budget(8 << 20, 5 << 20), false},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const QString out = dir.filePath("out" + QString::number(++n));
        if (row.unpacks) {
            SevenZip::extract(dir.filePath("volume.iso"), "iso", out, row.budget);
            EXPECT_EQ(QFileInfo(out + "/zeros").size(), 4 << 20);
        } else {
            EXPECT_THROW(SevenZip::extract(dir.filePath("volume.iso"), "iso", out, row.budget), SevenZip::Failure);
            EXPECT_TRUE(QDir(out).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        }
    }
}
