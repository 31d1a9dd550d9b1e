#include "CodeSigner.h"
#include "TestPki.h"

#include "platform/codesign/Requirement.h"

#include <gtest/gtest.h>

namespace {

Requirement::Context developerId(const TestPki::Identity& identity) {
    Requirement::Context context;
    context.identifier = "com.example.app";
    context.chain = {identity.certificate};
    context.chain += identity.chain;
    context.trustedRoots = {TestPki::shared().root.certificate};
    context.cdhashes = {QByteArray::fromHex("00112233445566778899aabbccddeeff00112233")};
    context.info =
        QVariantMap{{"CFBundleShortVersionString", "17.4"}, {"Tags", QVariantList{"one", "two"}}, {"Flag", false}};
    return context;
}

} // namespace

TEST(Requirement, TextFormsEvaluateAgainstASignature) {
    const auto& pki = TestPki::shared();
    const Requirement::Context alpha = developerId(pki.teamA);
    Requirement::Context adhoc = alpha;
    adhoc.chain.clear();
    const Requirement::Context foreign = developerId(pki.untrusted);
    Requirement::Context notarized = alpha;
    notarized.notarized = true;

    const QString developerIdRule = "anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] exists and "
                                    "certificate leaf[field.1.2.840.113635.100.6.1.13] exists";
    struct Case {
        QString text;
        bool alpha;
        bool adhoc;
        bool foreign;
    };
    const QList<Case> cases = {
        {developerIdRule, true, false, false},
        {"anchor apple generic and certificate leaf[subject.OU] = \"AAAAAAAAAA\"", true, false, false},
        {"anchor apple generic and certificate leaf[subject.OU] = BBBBBBBBBB", false, false, false},
        {"identifier \"com.example.app\" and anchor apple generic", true, false, false},
        {"identifier com.example.other or identifier = com.example.app", true, true, true},
        {"anchor apple", false, false, false},
        {"certificate leaf[subject.CN] = \"Developer ID Application: Alpha*\"", false, false, false},
        {"certificate leaf[subject.CN] = Developer*", true, false, true},
        {"certificate leaf[subject.O] = *Software*", true, false, true},
        {"certificate root[subject.CN] = \"Test Root CA\" and certificate -2[field.1.2.840.113635.100.6.2.6]", true,
         false, true},
        {"certificate 5[subject.CN] exists", false, false, false},
        {"! (anchor apple generic) and identifier com.example.app", false, true, true},
        {"anchor trusted", true, false, false},
        {"cdhash H\"00112233445566778899AABBCCDDEEFF00112233\"", true, true, true},
        {"info[CFBundleShortVersionString] > 7.4 and info[CFBundleShortVersionString] < \"17.10\"", true, true, true},
        {"info[Tags] = two and info[Missing] absent and info[Flag] absent", true, true, true},
        {"info[Missing] exists", false, false, false},
        {"/* comment */ always // trailing\n", true, true, true},
        {"never or notarized", false, false, false},
    };
    for (const Case& c : cases) {
        const auto requirement = Requirement::parse(c.text);
        ASSERT_TRUE(requirement) << c.text.toStdString();
        EXPECT_EQ(requirement->evaluate(alpha), c.alpha) << c.text.toStdString();
        EXPECT_EQ(requirement->evaluate(adhoc), c.adhoc) << c.text.toStdString();
        EXPECT_EQ(requirement->evaluate(foreign), c.foreign) << c.text.toStdString();
        // The printed form means the same.
        const auto reparsed = Requirement::parse(requirement->text());
        ASSERT_TRUE(reparsed) << requirement->text().toStdString();
        EXPECT_EQ(reparsed->evaluate(alpha), c.alpha) << requirement->text().toStdString();
    }
    EXPECT_TRUE(Requirement::parse(developerIdRule + " and notarized")->evaluate(notarized));
}

TEST(Requirement, MalformedTextIsRefused) {
    for (const char* text : {"", "and", "identifier", "anchor apple generic and", "(anchor apple", "anchor apple)",
                             "certificate leaf[subject.OU = x", "certificate leaf[field.abc] exists", "cdhash H\"abc\"",
                             "identifier \"unterminated", "info[key]", "anchor = H\"zz\"",
                             "certificate nowhere[subject.CN] exists", "identifier a b"})
        EXPECT_FALSE(Requirement::parse(text)) << text;
    // Deep nesting is refused, not followed until the stack runs out.
    EXPECT_FALSE(Requirement::parse(QString("(").repeated(100000) + "always" + QString(")").repeated(100000)));
    EXPECT_FALSE(Requirement::parse(QString("! ").repeated(100000) + "always"));
    EXPECT_FALSE(Requirement::parse(QString("always and ").repeated(100000) + "always"));
    EXPECT_TRUE(Requirement::parse(QString("always and ").repeated(100) + "always"));
}

TEST(Requirement, BinaryFormReadsAsTheSignerWroteIt) {
    const QByteArray set = CodeSigner::developerIdRequirementSet("com.example.app", "AAAAAAAAAA");
    bool malformed = true;
    const auto designated = Requirement::fromSet(set, Requirement::designatedType, &malformed);
    ASSERT_TRUE(designated);
    EXPECT_FALSE(malformed);
    EXPECT_EQ(
        designated->text().toStdString(),
        "identifier \"com.example.app\" and anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] "
        "exists and certificate leaf[field.1.2.840.113635.100.6.1.13] exists and certificate leaf[subject.OU] = "
        "\"AAAAAAAAAA\"");
    EXPECT_TRUE(designated->evaluate(developerId(TestPki::shared().teamA)));
    EXPECT_FALSE(designated->evaluate(developerId(TestPki::shared().teamB)));
    EXPECT_FALSE(Requirement::fromSet(set, 1, &malformed));
    EXPECT_FALSE(malformed);

    // The worked example of the format: identifier "com.example.app" and anchor apple generic.
    const QByteArray example =
        QByteArray::fromHex("fade0c000000002c0000000100000006000000020000000f636f6d2e6578616d706c652e617070000000000f");
    ASSERT_EQ(example.size(), 44);
    const auto parsed = Requirement::fromBlob(example);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->text().toStdString(), "identifier \"com.example.app\" and anchor apple generic");

    // Every truncation and corruption of a real set is read without a crash.
    for (qsizetype length = 0; length < set.size(); ++length)
        EXPECT_FALSE(Requirement::fromSet(set.left(length), Requirement::designatedType).has_value()) << length;
    for (qsizetype at = 0; at < set.size(); ++at) {
        for (const char value : {'\0', '\x7f', '\xff'}) {
            QByteArray changed = set;
            changed[at] = value;
            Requirement::fromSet(changed, Requirement::designatedType);
        }
    }
    // An unknown operation marked "false when unknown" is skipped by its length and is false.
    for (const auto& [combiner, expected] : {std::pair{"00000007", true}, std::pair{"00000006", false}}) {
        const QByteArray unknown =
            QByteArray::fromHex(QByteArray("fade0c000000002000000001") + combiner + "8000006300000004deadbeef00000001");
        const auto withUnknown = Requirement::fromBlob(unknown);
        ASSERT_TRUE(withUnknown);
        EXPECT_EQ(withUnknown->evaluate(developerId(TestPki::shared().teamA)), expected);
    }
    // Without the flag an unknown operation makes the whole requirement unreadable.
    EXPECT_FALSE(Requirement::fromBlob(QByteArray::fromHex("fade0c000000001000000001"
                                                           "00000063")));
}
