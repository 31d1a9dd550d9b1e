#include "sources/Cask.h"

#include "runtime/CheckError.h"

#include <gtest/gtest.h>

TEST(Cask, Repositories) {
    const std::pair<const char*, std::optional<QString>> cases[] = {
        {"https://github.com/owner/name.git", "owner/name"},
        {"https://github.com/owner/name?tab=readme", "owner/name"},
        {"https://github.com/owner/name#readme", "owner/name"},
        {"https://www.github.com/owner/name/releases/download/v1/App.dmg", "owner/name"},
        {"https://github.com/owner", std::nullopt},
        {"https://GitHub.com/owner/name", std::nullopt}, // the host is matched in lower case only
        {"https://notgithub.com/owner/name", std::nullopt},
    };
    for (const auto& [text, repo] : cases)
        EXPECT_EQ(Cask::repo(QString::fromUtf8(text)), repo) << text;

    Cask cask;
    cask.homepage = QStringLiteral("https://example.com/app");
    cask.url = QUrl(QStringLiteral("https://github.com/maker/app/releases/download/1.0/App.zip"));
    EXPECT_EQ(cask.githubRepo(), QStringLiteral("maker/app"));
    cask.homepage = QStringLiteral("https://github.com/maker/site");
    EXPECT_EQ(cask.githubRepo(), QStringLiteral("maker/site"));
}

TEST(Cask, VariationKey) {
    EXPECT_EQ(Cask::variationKey(true, 14), QStringLiteral("arm64_sonoma"));
    EXPECT_EQ(Cask::variationKey(false, 26), QStringLiteral("tahoe"));
    EXPECT_EQ(Cask::variationKey(true, 31), QStringLiteral("arm64_golden_gate"));
    for (int between : {10, 16, 25})
        EXPECT_EQ(Cask::variationKey(false, between), std::nullopt) << between;
}

TEST(Cask, Release) {
    Cask cask;
    cask.version = QStringLiteral("1.2.3,4567");
    cask.url = QUrl(QStringLiteral("https://example.com/App.dmg"));
    cask.sha256 = QStringLiteral("abc");
    cask.homepage = QStringLiteral("HTTPS://example.com/app");
    const Release release = cask.release();
    EXPECT_EQ(release.kind, SourceKind::homebrew);
    EXPECT_EQ(release.version, QStringLiteral("1.2.3"));
    EXPECT_EQ(release.notesURL, QUrl(QStringLiteral("https://example.com/app")));
    EXPECT_EQ(release.download->url, *cask.url);
    EXPECT_EQ(release.download->sha256, QStringLiteral("abc"));

    const struct {
        const char* version;
        const char* url;
        const char* sha256;
        const char* pkg;
        std::optional<QString> releaseVersion;
        bool download;
    } cases[] = {
        {",2.0", "https://example.com/A.zip", "no_check", nullptr, "2.0", true}, // download without checksum
        {"3", "https://example.com/A.PKG", "abc", nullptr, "3", false},
        {"3", "https://example.com/A.zip", "abc", "A.pkg", "3", false},
        // No version text at all gives no version, never an empty one.
        {"", "https://example.com/A.zip", "abc", nullptr, std::nullopt, true},
        {",", "https://example.com/A.zip", "abc", nullptr, std::nullopt, true},
    };
    for (const auto& c : cases) {
        Cask other;
        other.version = QString::fromUtf8(c.version);
        other.url = QUrl(QString::fromUtf8(c.url));
        other.sha256 = QString::fromUtf8(c.sha256);
        if (c.pkg)
            other.pkg = QString::fromUtf8(c.pkg);
        other.homepage = QStringLiteral("ftp://example.com/");
        const Release result = other.release();
        EXPECT_EQ(result.version, c.releaseVersion) << c.version;
        EXPECT_EQ(result.download.has_value(), c.download) << c.version << " " << c.url;
        if (result.download) {
            EXPECT_EQ(result.download->sha256.has_value(), other.sha256 != QLatin1String("no_check"));
        }
        EXPECT_EQ(result.notesURL, std::nullopt);
    }

    cask.version = QStringLiteral("latest");
    try {
        cask.release();
        ADD_FAILURE() << "no error";
    } catch (const CheckError& error) {
        EXPECT_EQ(error.description(),
                  QStringLiteral("The cask is unversioned (version :latest), so it can't say what's newest"));
    }
}
