#include "platform/archives/Extraction.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

// A dangling link is judged by where it really leads: one that climbs out through another link
// is refused even though its text stays inside on paper, while one that is missing inside passes.
TEST(Extraction, ADanglingLinkIsFollowedAsFarAsItsTargetExists) {
    const QList<std::tuple<const char*, QString, bool>> cases = {
        {"climbs out through a link to its own folder", "../here/../../nothing", false},
        {"missing inside", "../Resources/nothing", true},
    };
    for (const auto& [what, target, accepted] : cases) {
        SCOPED_TRACE(what);
        QTemporaryDir dir;
        ASSERT_TRUE(QDir().mkpath(dir.filePath("tree/A.app/Contents")));
        const QString root = QDir(dir.filePath("tree")).canonicalPath();
        ASSERT_EQ(::symlink(".", QFile::encodeName(root + "/A.app/here").constData()), 0);
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(),
                            QFile::encodeName(root + "/A.app/Contents/link").constData()),
                  0);
        bool refused = false;
        try {
            Extraction::checkTree(root);
        } catch (const Extraction::Failure&) {
            refused = true;
        }
        EXPECT_EQ(refused, !accepted);
    }
}
