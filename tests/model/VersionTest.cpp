#include "model/Version.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct ParseCase {
    const char* text;                   // UTF-8
    std::optional<QList<qint64>> parts; // nothing: the text gives no version
    std::optional<const char*> pre = std::nullopt;
};

std::optional<QString> q(const char* text) { return QString::fromUtf8(text); }

} // namespace

TEST(Version, Parses) {
    const ParseCase cases[] = {
        {"1.2.3", QList<qint64>{1, 2, 3}},
        {"v1.2.3", QList<qint64>{1, 2, 3}},
        {"V1.2.3", QList<qint64>{1, 2, 3}},
        {" \t1.2.3\u00a0\u3000", QList<qint64>{1, 2, 3}},
        {"vv1.2", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"\n", std::nullopt},
        {"beta", std::nullopt},
        {"1..2", QList<qint64>{1, 2}},
        {".1", QList<qint64>{1}},
        {"1.", QList<qint64>{1}},
        {"...", std::nullopt},
        {"2.0b3", QList<qint64>{2, 0}, "b3"},
        {"2.0-RC.1", QList<qint64>{2, 0}, "rc.1"},
        {"3.2.0-beta.2", QList<qint64>{3, 2, 0}, "beta.2"},
        {"1.0 (456)", QList<qint64>{1, 0}},
        {"1.0-hotfix", QList<qint64>{1, 0}},
        {"1.0-b", QList<qint64>{1, 0}},
        {"1.0-ab1", QList<qint64>{1, 0}},
        {"1.0d1", QList<qint64>{1, 0}, "d1"},
        {"1.0a\u0663", QList<qint64>{1, 0}, "a\u0663"}, // the tag's second character may be any numeral
        {"1.0_Preview-", QList<qint64>{1, 0}, "preview"},
        {"3.7.0beta11", QList<qint64>{3, 7, 0}, "beta11"},
        {"1.0.46-nightly.20260903.10", QList<qint64>{1, 0, 46}},
        {"1.1b24", QList<qint64>{1, 1}, "b24"},
        {"20260820.1", QList<qint64>{20260820, 1}},
        {"1.2\u00b2", std::nullopt}, // superscript two in the head
        {"1.\u0663", std::nullopt},  // Arabic-Indic three
        {"\u00bd", std::nullopt},    // a vulgar fraction is a number too
        {"1.\u4e09", std::nullopt},  // a CJK numeral has a numeric value
        {"1.2\u0301", std::nullopt}, // a digit with a combining accent is no digit
        {"9223372036854775807", QList<qint64>{9223372036854775807LL}},
        {"9223372036854775808", std::nullopt},
        {"1.12345678901234567890", std::nullopt},
        {"00000000000000000001.0", QList<qint64>{1, 0}},
        {"1.2\n", QList<qint64>{1, 2}}, // a line break is not trimmed, but lands in the ignored tail
    };
    for (const auto& c : cases) {
        const auto version = Version::parse(q(c.text));
        ASSERT_EQ(version.has_value(), c.parts.has_value()) << c.text;
        if (!version)
            continue;
        EXPECT_EQ(version->parts, *c.parts) << c.text;
        EXPECT_EQ(version->pre, c.pre ? q(*c.pre) : std::nullopt) << c.text;
    }
    EXPECT_FALSE(Version::parse(std::nullopt));
    EXPECT_EQ(Version::parse(q("  V1.0-beta "))->description, "V1.0-beta");
}

TEST(Version, Orders) {
    // Each pair: the first is before the second.
    const std::pair<const char*, const char*> ascending[] = {
        {"1.2", "1.2.1"}, {"2.0b3", "2.0"}, {"1.0-beta9", "1.0-beta10"},   {"1.0-alpha", "1.0-beta"}, {"1.0rc1", "1.0"},
        {"1.9", "1.10"},  {"999", "1000"},  {"1.0-beta2", "1.0-beta10.1"},
    };
    for (const auto& [a, b] : ascending) {
        const auto x = *Version::parse(q(a)), y = *Version::parse(q(b));
        EXPECT_TRUE(x < y) << a << " < " << b;
        EXPECT_TRUE(y > x) << a << " < " << b;
        EXPECT_TRUE(x <= y && !(x >= y) && x != y) << a << " < " << b;
    }
    const std::pair<const char*, const char*> same[] = {
        {"1.2", "1.2.0"}, {"V1.0", "1.0.0"}, {"1.0 (456)", "1.0"}, {"1.0-hotfix", "1"}, {"2.0-Beta.2", "2.0beta.2"},
    };
    for (const auto& [a, b] : same) {
        const auto x = *Version::parse(q(a)), y = *Version::parse(q(b));
        EXPECT_TRUE(x == y && x <= y && x >= y) << a << " == " << b;
    }
}

TEST(Version, IsNewer) {
    struct Case {
        std::optional<const char*> oldVersion, oldBuild, newVersion, newBuild;
        std::optional<bool> newer;
    };
    const auto n = std::nullopt;
    const Case cases[] = {
        {"1.0", n, "1.1", n, true},
        {"1.1", n, "1.0", n, false},
        {"1.0", n, "1.0", n, false},
        {"2.4.1", "100", "1190", "200", n}, // a bare build number against a dotted version
        {"999", n, "2.0", n, false},        // comparable, and older
        {"1000", n, "2.0", n, n},
        {"1190", n, "1200", n, true}, // two bare numbers always compare
        {"1.0", "5", "1.0", "7", true},
        {"1.0", "7", "1.0", "5", false},
        {"1.0", "5", "1.0", n, false},
        {"1.0", n, "1.0", "7", false},
        {"1.0", "2.4.1", "1.0", "1190", true}, // same short versions: builds compare without that test
        {n, "100", n, "101", true},
        {n, "2.4.1", n, "1190", n},
        {"1.0", n, n, "2.0", true}, // mixed: 1.0 against 2.0
        {"3.0", n, n, "1500", n},
        {"x", "5", "y", "6", true}, // no short version parses: the builds decide
        {"x", n, n, "6", n},        // a present but unparseable short text is not replaced
        {"1.0", "abc", "2.0", n, true},
        {n, n, n, n, n},
        {n, n, "1.0", n, n},
        {"2.0b3", n, "2.0", n, true},
    };
    const auto opt = [](std::optional<const char*> text) { return text ? q(*text) : std::nullopt; };
    for (const auto& c : cases) {
        const auto answer =
            Version::isNewer({opt(c.oldVersion), opt(c.oldBuild)}, {opt(c.newVersion), opt(c.newBuild)});
        EXPECT_EQ(answer, c.newer) << c.oldVersion.value_or("-") << "/" << c.oldBuild.value_or("-") << " -> "
                                   << c.newVersion.value_or("-") << "/" << c.newBuild.value_or("-");
    }
}
