#include "platform/system/Defaults.h"
#include "platform/system/PropertyList.h"
#include "platform/system/ReferenceDate.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointF>

#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

class DefaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(Defaults::folder()).removeRecursively();
        Defaults::resetForTest();
    }
    void TearDown() override { Defaults::resetForTest(); }

    // The domain as a fresh start reads it from disk.
    static std::shared_ptr<Defaults> reopened(const QString& name) {
        Defaults::resetForTest();
        return Defaults::suite(name);
    }

    static QByteArray bytesOf(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void writeFile(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

} // namespace

TEST_F(DefaultsTest, KeepsTypedValuesAcrossAStart) {
    const auto when = *ReferenceDate::fromSeconds(800000000);
    {
        auto d = Defaults::standard();
        EXPECT_EQ(d->path(), QDir::homePath() + "/.config/com.quenlark.Quenlark/com.quenlark.Quenlark.plist");
        d->set("flag", true);
        d->set("count", 24);
        d->set("name", QStringLiteral("Studio Mac"));
        d->set("ids", QStringList{"a", "b"});
        d->set("skips", QVariantMap{{"com.example.A", "2.0"}});
        d->set("blob", QByteArray("{\"x\":1}"));
        d->set("when", when);
        d->set("mixed", QVariantList{"a", 1});
    }
    const auto d = reopened(Defaults::standardName);
    EXPECT_TRUE(d->boolean("flag"));
    EXPECT_EQ(d->integer("count"), 24);
    EXPECT_EQ(d->string("name"), QStringLiteral("Studio Mac"));
    EXPECT_EQ(d->stringArray("ids"), (QStringList{"a", "b"}));
    EXPECT_EQ(d->dictionary("skips")->value("com.example.A"), QVariant("2.0"));
    EXPECT_EQ(d->data("blob"), QByteArray("{\"x\":1}"));
    EXPECT_EQ(d->date("when"), when);

    // Wrong types read as the accessor's default.
    EXPECT_FALSE(d->stringArray("mixed"));
    EXPECT_EQ(d->integer("name"), 0);
    EXPECT_FALSE(d->string("count"));
    EXPECT_FALSE(d->date("count"));
    EXPECT_TRUE(d->boolean("count")); // a non-zero number is true

    // A real stored where an integer belongs reads as its whole part, never rounded up.
    const QList<std::pair<double, qint64>> reals{{0.6, 0}, {24.7, 24}, {-0.6, 0}, {-2.5, -2}, {1e300, INT64_MAX}};
    for (const auto& [real, whole] : reals) {
        d->set("real", real);
        EXPECT_EQ(d->integer("real"), whole) << real;
    }

    d->remove("count");
    EXPECT_EQ(reopened(Defaults::standardName)->integer("count"), 0);
}

TEST_F(DefaultsTest, RegisteredDefaultsAnswerOnlyWhileAKeyIsAbsent) {
    auto d = Defaults::standard();
    d->registerDefaults({{"intervalHours", 24}, {"showMenuBar", true}});
    EXPECT_EQ(d->integer("intervalHours"), 24);
    ASSERT_TRUE(d->set("intervalHours", 0) && d->flush());
    EXPECT_EQ(d->integer("intervalHours"), 0);
    d->remove("intervalHours");
    EXPECT_EQ(d->integer("intervalHours"), 24);

    ASSERT_TRUE(d->flush());
    const auto onDisk = PropertyList::dictionaryFromFile(d->path());
    ASSERT_TRUE(onDisk);
    EXPECT_FALSE(onDisk->contains("showMenuBar"));
    EXPECT_FALSE(reopened(Defaults::standardName)->boolean("showMenuBar"));
}

TEST_F(DefaultsTest, SuitesHaveTheirOwnFileAndCanBeRemovedWhole) {
    auto standard = Defaults::standard();
    auto sandbox = Defaults::suite("com.quenlark.Quenlark.sandbox");
    EXPECT_EQ(sandbox, Defaults::suite("com.quenlark.Quenlark.sandbox")); // one object per domain
    standard->set("theme", "light");
    sandbox->set("theme", "system");
    ASSERT_TRUE(sandbox->flush());
    EXPECT_TRUE(QFile::exists(Defaults::folder() + "/com.quenlark.Quenlark.sandbox.plist"));

    Defaults::removePersistentDomain("com.quenlark.Quenlark.sandbox");
    EXPECT_FALSE(QFile::exists(sandbox->path()));
    EXPECT_FALSE(sandbox->string("theme"));
    EXPECT_FALSE(reopened("com.quenlark.Quenlark.sandbox")->string("theme"));
    EXPECT_EQ(Defaults::standard()->string("theme"), QStringLiteral("light"));

    Defaults::resetForTest();
    Defaults::removePersistentDomain(Defaults::standardName); // no live object: the file goes
    EXPECT_FALSE(Defaults::standard()->string("theme"));
}

TEST_F(DefaultsTest, KeepsAnUnreadableFileAsideInsteadOfOverwritingIt) {
    const QString path = Defaults::folder() + "/com.quenlark.Quenlark.plist";
    const QList<QByteArray> broken{
        QByteArray("<plist><dict><key>theme</key><string>light"),
        QByteArray("\x00\x01garbage", 9),
        *PropertyList::toXml(QVariantList{"not", "a", "dictionary"}),
    };
    for (const auto& bytes : broken) {
        QDir(Defaults::folder()).removeRecursively();
        writeFile(path, bytes);
        auto d = reopened(Defaults::standardName);
        EXPECT_FALSE(d->string("theme"));
        EXPECT_EQ(bytesOf(path), bytes); // reading changes nothing

        ASSERT_TRUE(d->set("theme", "dark"));
        ASSERT_TRUE(d->flush());
        const auto aside = QDir(Defaults::folder()).entryList({"com.quenlark.Quenlark.plist.corrupt-*"});
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(bytesOf(Defaults::folder() + "/" + aside[0]), bytes);
        EXPECT_EQ(reopened(Defaults::standardName)->string("theme"), QStringLiteral("dark"));
    }
}

TEST_F(DefaultsTest, RefusesAValueAPropertyListCannotCarry) {
    auto d = Defaults::standard();
    d->set("kept", 1);
    EXPECT_FALSE(d->set("point", QVariant::fromValue(QPointF(1, 2))));
    EXPECT_FALSE(d->object("point").isValid());
    EXPECT_EQ(reopened(Defaults::standardName)->integer("kept"), 1);
}

TEST_F(DefaultsTest, CopiesRunningSideBySideKeepEachOthersChanges) {
    const QString path = Defaults::folder() + "/com.quenlark.Quenlark.plist";
    Defaults first(path);
    Defaults second(path);
    ASSERT_TRUE(first.set("ignoredApps", QStringList{"com.example.a"}) && first.flush());
    ASSERT_TRUE(second.set("showMenuBar", false) && second.flush());
    ASSERT_TRUE(first.set("notifiedKeys", QStringList{"com.example.a@2.0"}) && first.flush());
    second.remove("ignoredApps");
    ASSERT_TRUE(second.flush());
    auto fresh = reopened(Defaults::standardName);
    EXPECT_FALSE(fresh->object("ignoredApps").isValid());
    EXPECT_EQ(fresh->object("showMenuBar"), QVariant(false));
    EXPECT_EQ(fresh->stringArray("notifiedKeys"), QStringList{"com.example.a@2.0"});
    EXPECT_EQ(first.object("showMenuBar"), QVariant(false)) << "a write reads the other copy's changes first";

    // Two copies writing at once, each its own keys: every key arrives.
    const auto writer = [&path](const QString& prefix) {
        Defaults copy(path);
        for (int i = 0; i < 40; ++i)
            copy.set(prefix + QString::number(i), i);
    };
    std::thread a(writer, QStringLiteral("a"));
    std::thread b(writer, QStringLiteral("b"));
    a.join();
    b.join();
    fresh = reopened(Defaults::standardName);
    QStringList lost;
    for (int i = 0; i < 40; ++i) {
        for (const QString& key : {"a" + QString::number(i), "b" + QString::number(i)}) {
            if (fresh->integer(key) != i)
                lost << key;
        }
    }
    EXPECT_EQ(lost, QStringList());

    // A copy that removed the domain leaves the next write nothing to keep.
    Defaults::removePersistentDomain(Defaults::standardName);
    ASSERT_TRUE(first.set("theme", "light") && first.flush());
    EXPECT_EQ(QDir(Defaults::folder()).entryList(QDir::Files), QStringList{"com.quenlark.Quenlark.plist"});
    fresh = reopened(Defaults::standardName);
    EXPECT_FALSE(fresh->object("showMenuBar").isValid());
    EXPECT_EQ(fresh->string("theme"), QStringLiteral("light"));
}

TEST_F(DefaultsTest, AStartRemovesOnlyTheTemporariesOfAKilledWrite) {
    const QString folder = Defaults::folder();
    QDir().mkpath(folder);
    const QString file = "com.quenlark.Quenlark.plist";
    writeFile(folder + "/" + file, *PropertyList::toXml(QVariantMap{{"theme", "dark"}}));
    writeFile(folder + "/../outside", "keep");
    struct Row {
        QString name;
        enum { File, Folder, Link, Foreign } kind;
        bool removed;
    };
    const QList<Row> rows = {
        {file + ".pgpEaM", Row::File, true},
        {file + ".Ab12C", Row::File, false},
        {file + ".corrupt-20260101T000000Z", Row::File, false},
        {"com.quenlark.Quenlark.sandbox.plist.x1Y2z3", Row::File, false},
        {"notes.txt.abcdef", Row::File, false},
        {file + ".linkXY", Row::Link, false},
        {file + ".dirXYZ", Row::Folder, false},
        {file + ".other1", Row::Foreign, false},
    };
    for (const Row& row : rows) {
        const QString path = folder + "/" + row.name;
        switch (row.kind) {
        case Row::File:
            writeFile(path, "<plist");
            break;
        case Row::Folder:
            QDir().mkpath(path);
            break;
        case Row::Link:
            QFile::link(folder + "/../outside", path);
            break;
        case Row::Foreign:
            writeFile(path, "<plist");
            if (getuid() != 0 || ::chown(QFile::encodeName(path).constData(), 65534, 65534) != 0)
                QFile::remove(path); // only root can make a file another user's
            break;
        }
    }
    // A write of another copy under way: it holds the folder's lock, its temporary stays.
    {
        const int lock = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_EQ(::flock(lock, LOCK_EX), 0);
        EXPECT_EQ(reopened(Defaults::standardName)->string("theme"), QStringLiteral("dark"));
        EXPECT_TRUE(QFileInfo::exists(folder + "/" + rows[0].name));
        ::close(lock);
    }
    EXPECT_EQ(reopened(Defaults::standardName)->string("theme"), QStringLiteral("dark"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        const QFileInfo info(folder + "/" + row.name);
        EXPECT_EQ(!info.exists() && !info.isSymLink(), row.removed || (row.kind == Row::Foreign && getuid() != 0));
    }
    EXPECT_EQ(bytesOf(folder + "/../outside"), "keep");
}

// A change never waits for the disk or another copy's lock; it is written once the lock is free,
// merged with what the file holds then. A write that fails is reported by `flush` and kept, and
// goes out with the next change.
TEST_F(DefaultsTest, WritesInTheBackgroundAndReportsAFailedWrite) {
    const QString folder = Defaults::folder();
    auto d = Defaults::standard();
    ASSERT_TRUE(d->set("theme", "dark") && d->flush());
    const int lock = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    writeFile(d->path(), *PropertyList::toXml(QVariantMap{{"theme", "dark"}, {"fromAnotherCopy", 1}}));
    ASSERT_TRUE(d->set("quietHours", false));
    EXPECT_EQ(d->object("quietHours"), QVariant(false));
    EXPECT_FALSE(PropertyList::dictionaryFromFile(d->path())->contains("quietHours")) << "written under the lock only";
    ::close(lock);
    ASSERT_TRUE(d->flush());
    const auto merged = PropertyList::dictionaryFromFile(d->path());
    EXPECT_EQ(merged->value("quietHours"), QVariant(false));
    EXPECT_EQ(merged->value("fromAnotherCopy"), QVariant(1));

    // A file where the settings folder belongs: no write can succeed until it goes.
    const QString elsewhere = QDir::homePath() + "/blocked";
    writeFile(elsewhere, "");
    Defaults blocked(elsewhere + "/settings.plist");
    ASSERT_TRUE(blocked.set("first", 1));
    EXPECT_FALSE(blocked.flush());
    EXPECT_EQ(blocked.integer("first"), 1);
    QFile::remove(elsewhere);
    ASSERT_TRUE(blocked.set("second", 2));
    ASSERT_TRUE(blocked.flush());
    const auto written = PropertyList::dictionaryFromFile(elsewhere + "/settings.plist");
    EXPECT_EQ(written, (QVariantMap{{"first", 1}, {"second", 2}}));
}
