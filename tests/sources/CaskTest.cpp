#include "sources/Cask.h"

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
