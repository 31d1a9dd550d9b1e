#include "model/Verdict.h"

#include <gtest/gtest.h>

namespace {

InstalledApp app(std::optional<QString> version, std::optional<QString> build,
                 QString bundleID = QStringLiteral("com.example.Editor")) {
    InstalledApp a;
    a.url = QStringLiteral("/Applications/Editor.app");
    a.folder = QStringLiteral("/Applications");
    a.name = QStringLiteral("Editor");
    a.bundleID = bundleID;
    a.version = version;
    a.build = build;
    return a;
}

Release release(std::optional<QString> version, std::optional<QString> build, SourceKind kind = SourceKind::sparkle) {
    Release r;
    r.kind = kind;
    r.version = version;
    r.build = build;
    return r;
}

Attempt attempt(SourceKind kind, Attempt::Outcome outcome) {
    return Attempt(kind, std::nullopt, std::nullopt, outcome);
}

const auto n = std::nullopt;

} // namespace

TEST(Verdict, DecidesFromTheRelease) {
    struct Case {
        const char* name;
        InstalledApp app;
        std::optional<Release> release;
        QStringList ignoredApps;
        QMap<QString, QString> ignoredVersions;
        Status expected;
    };
    const QString id = QStringLiteral("com.example.Editor");
    const Case cases[] = {
        {"newer", app("1.0", n), release("1.1", n), {}, {}, Status::update()},
        {"same", app("1.1", n), release("1.1", n), {}, {}, Status::upToDate()},
        {"older", app("2.0", n), release("1.1", n), {}, {}, Status::upToDate()},
        {"ignored app, newer release",
         app("1.0", n),
         release("2.0", n),
         {id},
         {},
         Status::ignored("You're ignoring this app")},
        {"ignored app, incomparable",
         app("2.4.1", n),
         release("1190", n),
         {id},
         {},
         Status::ignored("You're ignoring this app")},
        {"ignored app is an exact match",
         app("1.0", n),
         release("2.0", n),
         {"com.example.editor"},
         {},
         Status::update()},
        {"skipped version",
         app("1.0", n),
         release("2.0", n),
         {},
         {{id, "2.0"}},
         Status::ignored("You're skipping version \u20682.0\u2069")},
        {"skip no longer applies", app("1.0", n), release("2.1", n), {}, {{id, "2.0"}}, Status::update()},
        {"skip of a version not newer", app("2.0", n), release("2.0", n), {}, {{id, "2.0"}}, Status::upToDate()},
        {"skip compared with the build",
         app(n, "100"),
         release(n, "101"),
         {},
         {{id, "101"}},
         Status::ignored("You're skipping version \u2068101\u2069")},
        {"skip of another app", app("1.0", n), release("2.0", n), {}, {{"com.example.Other", "2.0"}}, Status::update()},
        {"release without versions",
         app("1.0", n),
         release(n, n, SourceKind::homebrew),
         {},
         {},
         Status::cantVerify("Couldn't compare the installed version \u20681.0\u2069 with ? from Homebrew cask")},
        {"short against build",
         app("3.0", n),
         release(n, "1500", SourceKind::github),
         {},
         {},
         Status::cantVerify(
             "Couldn't compare the installed version \u20683.0\u2069 with \u20681500\u2069 from GitHub Releases")},
        {"installed without versions",
         app(n, n),
         release("2.0", n, SourceKind::electron),
         {},
         {},
         Status::cantVerify("Couldn't compare the installed version unknown with \u20682.0\u2069 from Electron")},
        {"installed build shown without short version",
         app(n, "2.4.1"),
         release(n, "1190", SourceKind::appStore),
         {},
         {},
         Status::cantVerify(
             "Couldn't compare the installed version \u20682.4.1\u2069 with \u20681190\u2069 from Mac App Store")},
    };
    for (const auto& c : cases) {
        const auto status = Verdict::status(c.app, c.release, {}, c.ignoredApps, c.ignoredVersions);
        EXPECT_EQ(status, c.expected) << c.name << ": " << status.reason().toStdString();
    }
}

TEST(Verdict, ExplainsAMissingRelease) {
    struct Case {
        const char* name;
        QString bundleID;
        QList<Attempt> attempts;
        QString expected;
    };
    const QString none = QStringLiteral(
        "No update source: no App Store receipt, Sparkle feed, Homebrew cask, GitHub repository or Electron feed");
    const QString apple = QStringLiteral("Apple app with no App Store receipt; macOS Software Update keeps it current");
    const Case cases[] = {
        {"last failure wins",
         "com.example.Editor",
         {attempt(SourceKind::appStore, Attempt::Outcome::skipped("no receipt")),
          attempt(SourceKind::sparkle, Attempt::Outcome::fail("The feed could not be read")),
          attempt(SourceKind::github, Attempt::Outcome::fail("No release")),
          attempt(SourceKind::electron, Attempt::Outcome::skipped("no feed"))},
         "GitHub Releases: No release"},
        {"nothing failed", "com.example.Editor", {attempt(SourceKind::appStore, Attempt::Outcome::pass())}, none},
        {"Apple", "com.apple.Safari", {attempt(SourceKind::homebrew, Attempt::Outcome::skipped("x"))}, apple},
        {"Apple prefix needs the point", "com.appleseed.Tool", {}, none},
        {"Apple prefix is case-sensitive", "com.Apple.Tool", {}, none},
        {"failure beats Apple",
         "com.apple.Safari",
         {attempt(SourceKind::homebrew, Attempt::Outcome::fail("Gone"))},
         "Homebrew cask: Gone"},
    };
    for (const auto& c : cases) {
        const auto status = Verdict::status(app("1.0", n, c.bundleID), n, c.attempts, {}, {});
        EXPECT_EQ(status, Status::cantVerify(c.expected)) << c.name << ": " << status.reason().toStdString();
    }
}
