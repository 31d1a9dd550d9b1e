#include "sources/WebLink.h"

#include "Helpers.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

using Runs = QList<StyledText::Run>;

std::optional<QString> web(const char* text, const char* base = nullptr) {
    const auto url = WebLink::web(text ? std::optional<QString>(QString::fromUtf8(text)) : std::nullopt,
                                  base ? std::optional<QUrl>(QUrl(QString::fromUtf8(base))) : std::nullopt);
    return url ? std::optional<QString>(url->toString()) : std::nullopt;
}

std::optional<QString> store(const char* text) {
    const auto url = WebLink::store(text ? std::optional<QString>(QString::fromUtf8(text)) : std::nullopt);
    return url ? std::optional<QString>(url->toString()) : std::nullopt;
}

StyledText::Run run(const char* text, bool bold = false, bool italic = false, bool code = false,
                    const char* link = nullptr) {
    StyledText::Run r;
    r.text = QString::fromUtf8(text);
    r.bold = bold;
    r.italic = italic;
    r.code = code;
    if (link)
        r.link = QUrl(QString::fromUtf8(link));
    return r;
}

Runs md(const char* text) { return WebLink::markdown(QString::fromUtf8(text)).runs; }

} // namespace

TEST(WebLink, WebAndStoreSchemes) {
    EXPECT_EQ(web("https://example.com/notes"), QStringLiteral("https://example.com/notes"));
    EXPECT_TRUE(web("HTTPS://example.com/notes"));
    EXPECT_TRUE(web("http://example.com"));
    EXPECT_EQ(web("notes.html", "https://example.com/feeds/appcast.xml"),
              QStringLiteral("https://example.com/feeds/notes.html"));
    EXPECT_EQ(web("//cdn.example.com/x", "https://example.com/a"), QStringLiteral("https://cdn.example.com/x"));
    for (const char* refused :
         {"notes.html", "file:///etc/passwd", "ftp://example.com/a", "javascript:alert(1)", "mailto:dev@example.com",
          "macappstore://apps.apple.com/app/id1", "", "//example.com/x"})
        EXPECT_FALSE(web(refused)) << refused;
    EXPECT_FALSE(web(nullptr));
    EXPECT_FALSE(web("/etc/passwd", "file:///tmp/feed.xml"));

    EXPECT_EQ(store("macappstore://apps.apple.com/app/id42"), QStringLiteral("macappstore://apps.apple.com/app/id42"));
    EXPECT_TRUE(store("itms-apps://apps.apple.com/app/id42"));
    EXPECT_TRUE(store("ITMS-APPS://apps.apple.com/app/id42"));
    EXPECT_TRUE(store("https://apps.apple.com/app/id42"));
    for (const char* refused : {"mailto:dev@example.com", "file:///Applications", "itms://x", ""})
        EXPECT_FALSE(store(refused)) << refused;
    EXPECT_FALSE(store(nullptr));
}

TEST(WebLink, MarkdownInlineStyles) {
    EXPECT_EQ(md("plain text"), Runs{run("plain text")});
    EXPECT_EQ(md(""), Runs{});
    EXPECT_EQ(md("a **bold** and *it* and `co*de*`"),
              (Runs{run("a "), run("bold", true), run(" and "), run("it", false, true), run(" and "),
                    run("co*de*", false, false, true)}));
    EXPECT_EQ(md("***both***"), Runs{run("both", true, true)});
    EXPECT_EQ(md("__strong__ _em_"), (Runs{run("strong", true), run(" "), run("em", false, true)}));
    // Intraword underscores stay literal; intraword stars emphasise.
    EXPECT_EQ(md("snake_case_name"), Runs{run("snake_case_name")});
    EXPECT_EQ(md("un*frigging*believable"), (Runs{run("un"), run("frigging", false, true), run("believable")}));
    // Unmatched delimiters and spaced stars stay as written.
    EXPECT_EQ(md("2 * 3 * 4"), Runs{run("2 * 3 * 4")});
    EXPECT_EQ(md("**open"), Runs{run("**open")});
    EXPECT_EQ(md("**a*"), (Runs{run("*"), run("a", false, true)}));
    EXPECT_EQ(md("\\*not\\*"), Runs{run("*not*")});
    EXPECT_EQ(md("`` a`b ``"), Runs{run("a`b", false, false, true)});
    EXPECT_EQ(md("`open"), Runs{run("`open")});
}

TEST(WebLink, MarkdownKeepsBlocksAndWhitespaceLiteral) {
    const char* text = "# Heading\n\n- item  one\n1. two\n> quote\n    code block\n";
    EXPECT_EQ(md(text), Runs{run(text)});
    EXPECT_EQ(md("line one\r\n- **fixed**  crash\r\n"),
              (Runs{run("line one\r\n- "), run("fixed", true), run("  crash\r\n")}));
}

TEST(WebLink, MarkdownLinksAreWebOnly) {
    EXPECT_EQ(md("see [the notes](https://example.com/n \"Title\") now"),
              (Runs{run("see "), run("the notes", false, false, false, "https://example.com/n"), run(" now")}));
    EXPECT_EQ(md("[**bold** link](http://example.com)"),
              (Runs{run("bold", true, false, false, "http://example.com"),
                    run(" link", false, false, false, "http://example.com")}));
    EXPECT_EQ(md("<https://example.com/a>"),
              Runs{run("https://example.com/a", false, false, false, "https://example.com/a")});
    // Links to anything but a web page keep their text only.
    EXPECT_EQ(md("[mail me](mailto:dev@example.com)"), Runs{run("mail me")});
    EXPECT_EQ(md("<dev@example.com>"), Runs{run("dev@example.com")});
    EXPECT_EQ(md("[run](javascript:alert(1)) [open](file:///etc/passwd) [app](myapp://x)"), Runs{run("run open app")});
    EXPECT_EQ(md("[relative](notes.html)"), Runs{run("relative")});
    // No destination: the brackets stay literal.
    EXPECT_EQ(md("[just brackets] and [x]"), Runs{run("[just brackets] and [x]")});
    EXPECT_EQ(
        md("[outer [inner](https://a.example)](https://b.example)"),
        (Runs{run("[outer "), run("inner", false, false, false, "https://a.example"), run("](https://b.example)")}));
}

TEST(WebLink, MarkdownCopesWithHostileText) {
    // Long runs of delimiters and brackets finish and keep every letter.
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("*a _b [c `");
    const QString shown = WebLink::markdown(text).plainText();
    for (QChar letter : {u'a', u'b', u'c'})
        EXPECT_EQ(shown.count(letter), 20000);
    const QString stars(100000, u'*');
    EXPECT_EQ(WebLink::markdown(stars).plainText(), stars);
    for (const QString& hostile :
         {QString(50000, u'[') + QString(50000, u']'), QStringLiteral("[](x (").repeated(30000),
          QStringLiteral("<a").repeated(50000), QStringLiteral("[](").repeated(30000)})
        EXPECT_EQ(WebLink::markdown(hostile).plainText(), hostile);

    // Many code spans, and many links after many open brackets, cost time in proportion to the
    // text (were these quadratic, this would take minutes).
    const StyledText spans = WebLink::markdown(QStringLiteral("` ").repeated(2'000'000));
    EXPECT_EQ(spans.plainText(), QString(2'000'000, u' '));
    EXPECT_TRUE(spans.runs.first().code);
    const int links = 1'000'000;
    EXPECT_EQ(WebLink::markdown(QString(links, u'[') + QStringLiteral("[a](x)").repeated(links)).plainText(),
              QString(links, u'[') + QString(links, u'a'));
}

TEST(WebLink, MarkdownOfRealReleaseNotes) {
    const auto body = [](const char* file) { return realJson(file).object().value(QLatin1String("body")).toString(); };
    const QString octokit = body("github_latest_release_octokit_rb_2015_no_assets.json");
    const StyledText notes = WebLink::markdown(octokit);
    QStringList code;
    for (const auto& r : notes.runs)
        if (r.code)
            code << r.text;
    EXPECT_EQ(code, (QStringList{QStringLiteral("Octokit::AbuseDetected"), QStringLiteral("403"),
                                 QStringLiteral("owner/repo"), QStringLiteral("Octokit::VERSION")}));
    EXPECT_EQ(notes.plainText(), QString(octokit).remove(u'`'));

    const QString changelog = body("github_release_with_asset_digest.json");
    const StyledText digest = WebLink::markdown(changelog);
    EXPECT_EQ(digest.plainText(), QString(changelog).remove(QStringLiteral("**")));
    const auto bold = std::find_if(digest.runs.begin(), digest.runs.end(), [](const auto& r) { return r.bold; });
    ASSERT_NE(bold, digest.runs.end());
    EXPECT_EQ(bold->text, QStringLiteral("Full Changelog"));
}
