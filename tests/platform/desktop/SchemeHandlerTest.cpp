#include "platform/desktop/SchemeHandler.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString scheme = u"com.googleusercontent.apps.123-abc"_s;

QString dataHome() { return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); }
QString listPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/mimeapps.list"_s;
}
QString entryPath(const QString& s) { return dataHome() + u"/applications/"_s + SchemeHandler::entryId(s); }

QString read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Runs with umask 000, as a careless launcher may leave it, and puts it back afterwards.
class SchemeHandlerFiles : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ::umask(0);
        QDir(dataHome() + u"/applications"_s).removeRecursively();
        QFile::remove(listPath());
    }
    void TearDown() override { ::umask(saved_); }

private:
    mode_t saved_ = 022;
};

} // namespace

// The schemes every desktop hands to its browser or file manager are never ours.
TEST_F(SchemeHandlerFiles, RefusesEveryCommonScheme) {
    for (const QString& common : {u"http"_s, u"https"_s, u"HTTPS"_s, u"file"_s, u"mailto"_s, u"ftp"_s, u"x"_s,
                                  u"Com.Example"_s, u"com.example/x"_s, u""_s})
        EXPECT_FALSE(SchemeHandler::install(common, u"/opt/quenlark"_s, {})) << common.toStdString();
    EXPECT_FALSE(QFile::exists(listPath()));
    EXPECT_FALSE(QFileInfo::exists(dataHome() + u"/applications"_s));
}

TEST_F(SchemeHandlerFiles, WritesFilesNobodyElseCanChangeAndTakesThemBack) {
    ASSERT_TRUE(SchemeHandler::install(scheme, u"/opt/Q 1/quenlark"_s, {u"--sandbox"_s, u"/tmp/100%"_s}));
    EXPECT_EQ(modeOf(entryPath(scheme)), 0644u);
    EXPECT_EQ(modeOf(listPath()), 0644u);
    EXPECT_EQ(modeOf(dataHome() + u"/applications"_s), 0755u);
    // A literal "%" in an argument is doubled, so that the desktop does not read a field code there.
    EXPECT_TRUE(read(entryPath(scheme)).contains(u"Exec=\"/opt/Q 1/quenlark\" --sandbox /tmp/100%% %u\n"_s))
        << read(entryPath(scheme)).toStdString();

    // The user's own list keeps its mode and its other lines, now and after the removal.
    QFile list(listPath());
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[Default Applications]\ntext/plain=editor.desktop;\n");
    list.close();
    ASSERT_EQ(::chmod(QFile::encodeName(listPath()).constData(), 0600), 0);
    ASSERT_TRUE(SchemeHandler::install(scheme, u"/opt/quenlark"_s, {}));
    EXPECT_EQ(modeOf(listPath()), 0600u);
    EXPECT_TRUE(read(listPath()).contains(u"x-scheme-handler/"_s + scheme + u"=quenlark-"_s));

    SchemeHandler::remove(scheme);
    EXPECT_FALSE(QFile::exists(entryPath(scheme)));
    EXPECT_EQ(read(listPath()), u"[Default Applications]\ntext/plain=editor.desktop;\n"_s);

    // A default the user chose since is theirs to keep.
    ASSERT_TRUE(SchemeHandler::install(scheme, u"/opt/quenlark"_s, {}));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(("[Default Applications]\nx-scheme-handler/" + scheme + "=other.desktop;\n").toUtf8());
    list.close();
    SchemeHandler::remove(scheme);
    EXPECT_TRUE(read(listPath()).contains(u"=other.desktop;"_s));
}
