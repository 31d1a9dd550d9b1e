#include "runtime/Url.h"

#include <gtest/gtest.h>

#include <QDir>

TEST(Url, AppendingJoinsSegmentsWhateverTheSlashes) {
    struct Case {
        const char* base;
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"https://api.example.com/v1", "repos/a/b/releases", "https://api.example.com/v1/repos/a/b/releases"},
        {"https://api.example.com/v1/", "repos/a/b/releases", "https://api.example.com/v1/repos/a/b/releases"},
        {"https://api.example.com/v1//", "/repos/a/b/releases", "https://api.example.com/v1/repos/a/b/releases"},
        {"https://example.com", "feed.xml", "https://example.com/feed.xml"},
        {"https://example.com/", "feed.xml", "https://example.com/feed.xml"},
        {"https://example.com/key?token=1", "latest.yml", "https://example.com/key/latest.yml?token=1"},
        {"https://example.com/a%20b", "c d.zip", "https://example.com/a%20b/c%20d.zip"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Url::appending(QUrl(c.base), c.path).toString(QUrl::FullyEncoded), c.expected) << c.base;
}

TEST(Url, ParseIsTolerantButRefusesWhatIsNoAddress) {
    struct Case {
        const char* text;
        const char* expected; // nullptr: no URL
    };
    const Case cases[] = {
        {"https://example.com/app.zip", "https://example.com/app.zip"},
        {"  https://example.com/app.zip\n", "https://example.com/app.zip"},
        {"https://example.com/My App 2.zip", "https://example.com/My%20App%202.zip"},
        {"", nullptr},
        {"   ", nullptr},
        {"http://[bad", nullptr},
    };
    for (const auto& c : cases) {
        const auto url = Url::parse(QString::fromUtf8(c.text));
        if (!c.expected) {
            EXPECT_FALSE(url) << c.text;
            continue;
        }
        ASSERT_TRUE(url) << c.text;
        EXPECT_EQ(url->toString(QUrl::FullyEncoded), c.expected);
    }
}

TEST(Url, CanonicalPathIsAbsoluteCleanAndWithoutTrailingSlash) {
    struct Case {
        QString path;
        QString expected;
    };
    const Case cases[] = {
        {"/Applications/Foo.app/", "/Applications/Foo.app"},
        {"/Applications//Foo.app", "/Applications/Foo.app"},
        {"/Applications/./Bar/../Foo.app", "/Applications/Foo.app"},
        {"//Applications", "/Applications"},
        {"/", "/"},
        {"", ""},
        {"Foo.app/", QDir::currentPath() + "/Foo.app"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Url::canonicalPath(c.path), c.expected) << c.path.toStdString();
}
