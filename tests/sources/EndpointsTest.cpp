#include "sources/Endpoints.h"

#include <gtest/gtest.h>

TEST(Endpoints, PathsAppendAlikeWithOrWithoutTrailingSlash) {
    const Endpoints defaults;
    EXPECT_EQ(defaults.lookup().toString(), QStringLiteral("https://itunes.apple.com/lookup"));
    EXPECT_EQ(defaults.caskCatalogue().toString(), QStringLiteral("https://formulae.brew.sh/api/cask.json"));
    EXPECT_EQ(defaults.cask(QStringLiteral("1password-cli@1")).toString(),
              QStringLiteral("https://formulae.brew.sh/cask/1password-cli@1"));
    EXPECT_EQ(defaults.latestRelease(QStringLiteral("owner/name")).toString(),
              QStringLiteral("https://api.github.com/repos/owner/name/releases/latest"));

    for (const char* base : {"http://127.0.0.1:8080/mock", "http://127.0.0.1:8080/mock/"}) {
        const Endpoints mock = Endpoints::mock(QUrl(QString::fromLatin1(base)));
        EXPECT_EQ(mock.itunes, mock.brew);
        EXPECT_EQ(mock.brew, mock.github);
        EXPECT_EQ(mock.lookup().toString(), QStringLiteral("http://127.0.0.1:8080/mock/lookup"));
        EXPECT_EQ(mock.caskCatalogue().toString(), QStringLiteral("http://127.0.0.1:8080/mock/api/cask.json"));
        EXPECT_EQ(mock.cask(QStringLiteral("4k-video-downloader+")).toString(),
                  QStringLiteral("http://127.0.0.1:8080/mock/cask/4k-video-downloader+"));
        EXPECT_EQ(mock.latestRelease(QStringLiteral("o/r")).toString(),
                  QStringLiteral("http://127.0.0.1:8080/mock/repos/o/r/releases/latest"));
    }
}
