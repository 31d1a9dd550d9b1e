#include "sources/Cask.h"

#include "runtime/CheckError.h"

#include <gtest/gtest.h>

TEST(Cask, Repo) {
    const struct {
        const char* text;
        std::optional<QString> repo;
    } cases[] = {
        {"https://github.com/owner/name", "owner/name"},
        {"https://github.com/owner/name.git", "owner/name"},
        {"https://github.com/owner/name?tab=readme", "owner/name"},
        {"https://github.com/owner/name#readme", "owner/name"},
        {"https://github.com/owner/name/releases/download/v1/App.dmg", "owner/name"},
        {"https://www.github.com/owner/name", "owner/name"},
        {"git@github.com/owner/name", "owner/name"},
        {"github.com/owner/name", "owner/name"},
        {"https://github.com/owner", std::nullopt},
        {"https://GitHub.com/owner/name", std::nullopt}, // the host is matched in lower case only
        {"https://notgithub.com/owner/name", std::nullopt},
        {"https://example.com/", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cask::repo(QString::fromUtf8(c.text)), c.repo) << c.text;
}

TEST(Cask, GithubRepoPrefersTheHomepage) {
    Cask cask;
    cask.homepage = QStringLiteral("https://example.com/app");
    cask.url = QUrl(QStringLiteral("https://github.com/maker/app/releases/download/1.0/App.zip"));
    EXPECT_EQ(cask.githubRepo(), QStringLiteral("maker/app"));
    cask.homepage = QStringLiteral("https://github.com/maker/site.git");
    EXPECT_EQ(cask.githubRepo(), QStringLiteral("maker/site"));
    cask.homepage.reset();
    cask.url.reset();
    EXPECT_EQ(cask.githubRepo(), std::nullopt);
}

TEST(Cask, VariationKey) {
    const struct {
        bool arm;
        int macOS;
        std::optional<QString> key;
    } cases[] = {
        {true, 14, "arm64_sonoma"}, {false, 14, "sonoma"},        {false, 11, "big_sur"},
        {true, 26, "arm64_tahoe"},  {false, 27, "golden_gate"},   {true, 31, "arm64_golden_gate"},
        {false, 10, std::nullopt},  {true, 16, std::nullopt},     {false, 25, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cask::variationKey(c.arm, c.macOS), c.key) << c.arm << " " << c.macOS;
}

TEST(Cask, Release) {
    Cask cask;
    cask.token = QStringLiteral("app");
    cask.version = QStringLiteral("1.2.3,4567");
    cask.url = QUrl(QStringLiteral("https://example.com/App.dmg"));
    cask.sha256 = QStringLiteral("abc");
    cask.homepage = QStringLiteral("HTTPS://example.com/app");
    const Release release = cask.release();
    EXPECT_EQ(release.kind, SourceKind::homebrew);
    EXPECT_EQ(release.version, QStringLiteral("1.2.3"));
    EXPECT_EQ(release.build, std::nullopt);
    EXPECT_EQ(release.notesURL, QUrl(QStringLiteral("https://example.com/app")));
    EXPECT_EQ(release.download->url, *cask.url);
    EXPECT_EQ(release.download->sha256, QStringLiteral("abc"));
    EXPECT_EQ(release.ref, std::nullopt);

    const struct {
        const char* version;
        const char* url;
        const char* sha256;
        const char* pkg;
        const char* homepage;
        std::optional<QString> releaseVersion;
        bool download;
        std::optional<QString> checksum;
    } cases[] = {
        {",2.0", "https://example.com/A.zip", "no_check", nullptr, "ftp://example.com", "2.0", true, std::nullopt},
        {"3", "https://example.com/A.PKG", "abc", nullptr, nullptr, "3", false, std::nullopt},
        {"3", "https://example.com/A.zip", "abc", "A.pkg", nullptr, "3", false, std::nullopt},
        {"3", nullptr, "abc", nullptr, nullptr, "3", false, std::nullopt},
        {"3", "https://example.com/A.zip", nullptr, nullptr, nullptr, "3", true, std::nullopt},
        // No version text at all gives no version, never an empty one.
        {"", "https://example.com/A.zip", "abc", nullptr, nullptr, std::nullopt, true, "abc"},
        {",", "https://example.com/A.zip", "abc", nullptr, nullptr, std::nullopt, true, "abc"},
    };
    for (const auto& c : cases) {
        Cask other;
        other.version = QString::fromUtf8(c.version);
        if (c.url)
            other.url = QUrl(QString::fromUtf8(c.url));
        if (c.sha256)
            other.sha256 = QString::fromUtf8(c.sha256);
        if (c.pkg)
            other.pkg = QString::fromUtf8(c.pkg);
        if (c.homepage)
            other.homepage = QString::fromUtf8(c.homepage);
        const Release result = other.release();
        EXPECT_EQ(result.version, c.releaseVersion) << c.version;
        EXPECT_EQ(result.download.has_value(), c.download) << c.version << " " << (c.url ? c.url : "-");
        if (result.download) {
            EXPECT_EQ(result.download->sha256, c.checksum) << c.version;
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
