#include "BundleBuilder.h"
#include "TestPki.h"

#include "install/SignatureChecks.h"
#include "platform/codesign/Anchors.h"
#include "runtime/FileError.h"
#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

namespace {

class SignatureChecksTest : public ::testing::Test {
protected:
    void SetUp() override {
        Anchors::setConfigured(TestPki::shared().anchors());
        // The assessment tool runs in its own process and finds the same anchors here.
        TestPki::shared().writeAnchors(anchors.path());
        qputenv("QUENLARK_ANCHORS", QFile::encodeName(anchors.path()));
    }
    void TearDown() override {
        Anchors::setConfigured(nullptr);
        qunsetenv("QUENLARK_ANCHORS");
    }

    static QString refusal(const std::function<void()>& check) {
        try {
            check();
        } catch (const UpdateError& error) {
            EXPECT_FALSE(error.needsPermission);
            EXPECT_FALSE(error.final);
            return error.description();
        }
        return QStringLiteral("<no refusal>");
    }

    QTemporaryDir anchors;
    QTemporaryDir dir;
};

} // namespace

TEST_F(SignatureChecksTest, Sha256StreamsWholeFiles) {
    for (const qsizetype size :
         {qsizetype(0), qsizetype(1024 * 1024), qsizetype(1024 * 1024 + 1), qsizetype(3 * 1024 * 1024 - 7)}) {
        QByteArray bytes(size, '\0');
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = char(i * 31 + (i >> 12));
        const QString path = dir.filePath(QString::number(size));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.close();
        EXPECT_EQ(SignatureChecks::sha256(path),
                  QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()))
            << size;
    }
    EXPECT_EQ(SignatureChecks::sha256(dir.filePath("0")),
              u"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_THROW(SignatureChecks::sha256(dir.filePath("missing")), FileError);
    EXPECT_THROW(SignatureChecks::sha256(dir.path()), FileError);
}

TEST_F(SignatureChecksTest, ValidSignatureGivesTheTeamOrRefusesWithTheReason) {
    const auto valid = BundleBuilder(dir.filePath("Valid.app")).build();
    const auto adhoc = BundleBuilder(dir.filePath("AdHoc.app")).signedBy(nullptr).build();
    const auto bare = BundleBuilder(dir.filePath("Bare.app")).unsignedCode().build();
    const auto changed = BundleBuilder(dir.filePath("Changed.app")).resource("Resources/a.txt", "a").build();
    QFile file(changed.path + "/Contents/Resources/a.txt");
    file.open(QIODevice::WriteOnly);
    file.write("b");
    file.close();

    EXPECT_EQ(SignatureChecks::validSignature(valid.path), u"AAAAAAAAAA");
    EXPECT_EQ(SignatureChecks::validSignature(adhoc.path), std::nullopt);
    EXPECT_EQ(refusal([&] { SignatureChecks::validSignature(dir.filePath("Missing.app")); }),
              u"The new version isn't code signed.");
    EXPECT_EQ(refusal([&] { SignatureChecks::validSignature(bare.path); }),
              u"The new version's code signature is invalid: the code has no signature.");
    EXPECT_EQ(refusal([&] { SignatureChecks::validSignature(changed.path); }),
              u"The new version's code signature is invalid: a sealed resource was changed, added or removed.");
}

TEST_F(SignatureChecksTest, NotarizedDeveloperIdAsksTheAssessmentTool) {
    const auto notarized = BundleBuilder(dir.filePath("N.app")).notarized(true).build();
    const auto plain = BundleBuilder(dir.filePath("P.app")).signedBy(&TestPki::shared().teamB).build();
    const auto adhoc = BundleBuilder(dir.filePath("AdHoc.app")).signedBy(nullptr).build();
    const auto untrusted = BundleBuilder(dir.filePath("U.app")).signedBy(&TestPki::shared().untrusted).build();

    EXPECT_EQ(SignatureChecks::notarizedDeveloperID(notarized.path, "Tool"), u"AAAAAAAAAA");
    EXPECT_EQ(refusal([&] { SignatureChecks::notarizedDeveloperID(plain.path, "Tool"); }),
              u"\u2068Tool\u2069 is signed by team \u2068BBBBBBBBBB\u2069 but isn't notarized by Apple. Refusing to "
              u"install.");
    for (const QString& path : {adhoc.path, untrusted.path})
        EXPECT_EQ(refusal([&] { SignatureChecks::notarizedDeveloperID(path, "Tool"); }),
                  u"\u2068Tool\u2069 isn't signed with a Developer ID, and your other Mac has no developer on record "
                  u"to compare "
                  u"it with. Refusing to install.");
    EXPECT_EQ(refusal([&] { SignatureChecks::notarizedDeveloperID(dir.filePath("Missing.app"), "Tool"); }),
              u"The new version isn't code signed.");
}

TEST_F(SignatureChecksTest, OnlyAnExactSourceLineCounts) {
    const auto plain = BundleBuilder(dir.filePath("P.app")).build();
    QStringList seen;
    const auto answer = [&](const QString& text) {
        return [&seen, text](const QString& tool, const QStringList& arguments) {
            seen = QStringList{tool} + arguments;
            return text;
        };
    };
    EXPECT_EQ(SignatureChecks::notarizedDeveloperID(plain.path, "Tool",
                                                    answer("x: rejected\r\nsource=Notarized Developer ID\r\n")),
              u"AAAAAAAAAA");
    EXPECT_EQ(seen, (QStringList{"/usr/sbin/spctl", "--assess", "--type", "execute", "-vv", plain.path}));
    for (const char* text : {"x: accepted\nsource=Notarized Developer ID (legacy)\n", "source=Notarized Developer ID!",
                             " source=Notarized Developer ID\n", "x: accepted\nsource=Unnotarized Developer ID\n"})
        EXPECT_EQ(refusal([&] { SignatureChecks::notarizedDeveloperID(plain.path, "Tool", answer(text)); }),
                  u"\u2068Tool\u2069 is signed by team \u2068AAAAAAAAAA\u2069 but isn't notarized by Apple. Refusing "
                  u"to install.")
            << text;
}
