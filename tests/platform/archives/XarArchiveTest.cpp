#include "PackageBuilder.h"
#include "TestPki.h"

#include "platform/archives/PackageSignature.h"
#include "platform/archives/XarArchive.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCryptographicHash>

namespace {

QString failureOf(const QByteArray& bytes) {
    try {
        XarArchive::parse(bytes);
    } catch (const XarArchive::Failure& failure) {
        return QString::fromUtf8(failure.what());
    }
    return {};
}

QByteArray tocWith(const QString& files, const QString& checksum = QStringLiteral("sha1")) {
    return QStringLiteral("<?xml version=\"1.0\"?><xar><toc><checksum style=\"%1\"><offset>0</offset><size>20</size>"
                          "</checksum>%2</toc></xar>")
        .arg(checksum, files)
        .toUtf8();
}

QByteArray packageWith(const QByteArray& toc, const QByteArray& heap = QByteArray(20, '\0')) {
    const QByteArray compressed = PackageBuilder::zlib(toc);
    return PackageBuilder::xar(compressed, quint64(compressed.size()), quint64(toc.size()), heap);
}

} // namespace

TEST(XarArchive, ReadsTheTableOfContentsAndDecodesFiles) {
    for (bool sha256 : {false, true}) {
        const QByteArray bytes = PackageBuilder::teamA(false).sha256(sha256).product().build();
        const XarArchive archive = XarArchive::parse(bytes);
        EXPECT_EQ(archive.digest, sha256 ? XarArchive::Digest::Sha256 : XarArchive::Digest::Sha1);
        EXPECT_TRUE(archive.checksumMatches());
        ASSERT_TRUE(archive.signature);
        EXPECT_EQ(archive.signature->certificates.size(), 3);
        const auto* info = archive.find("App.pkg/PackageInfo");
        ASSERT_TRUE(info);
        EXPECT_TRUE(archive.read(*info, 1 << 20).contains("install-location=\"/Applications\""));
        EXPECT_TRUE(archive.find("Distribution"));
        EXPECT_TRUE(archive.find("App.pkg/Payload"));
        // A decoded size beyond the caller's bound is refused before anything is written.
        EXPECT_THROW(archive.read(*info, 10), XarArchive::Failure);
    }
}

TEST(XarArchive, RefusesLyingAndHostileArchives) {
    const QByteArray toc = tocWith("<file id=\"1\"><name>a</name><type>file</type></file>");
    const QByteArray compressed = PackageBuilder::zlib(toc);
    const QByteArray heap(20, '\0');
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const QList<Case> cases = {
        {"not xar", QByteArray("PK\x03\x04", 4) + QByteArray(60, '\0')},
        {"too short", QByteArray("xar!")},
        {"compressed length past the end",
         PackageBuilder::xar(compressed, quint64(compressed.size()) + 1000, quint64(toc.size()), heap)},
        {"huge table of contents", PackageBuilder::xar(compressed, quint64(compressed.size()), quint64(1) << 40, heap)},
        {"length beyond 64 bits", PackageBuilder::xar(compressed, ~quint64(0), quint64(toc.size()), heap)},
        {"inflated size lies",
         PackageBuilder::xar(compressed, quint64(compressed.size()), quint64(toc.size()) - 1, heap)},
        {"not zlib", PackageBuilder::xar(toc, quint64(toc.size()), quint64(toc.size()), heap)},
        {"checksum downgraded to none", packageWith(tocWith("", "none"))},
        {"dot-dot name", packageWith(tocWith("<file id=\"1\"><name>..</name><type>file</type></file>"))},
        {"name with a slash", packageWith(tocWith("<file id=\"1\"><name>../../etc/x</name></file>"))},
        {"nameless file", packageWith(tocWith("<file id=\"1\"><type>file</type></file>"))},
        {"negative offset",
         packageWith(tocWith("<file id=\"1\"><name>a</name><data><offset>-1</offset></data></file>"))},
        {"broken xml", packageWith("<xar><toc><file>")},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(failureOf(c.bytes).isEmpty()) << c.what;
    EXPECT_EQ(failureOf(QByteArray("PK\x03\x04", 4) + QByteArray(60, '\0')), "The file is not a package.");
}

TEST(XarArchive, HeapReadsStayInsideTheFile) {
    const QByteArray toc =
        tocWith("<file id=\"1\"><name>a</name><type>file</type><data><offset>10</offset>"
                "<length>9223372036854775800</length><size>4</size>"
                "<encoding style=\"application/octet-stream\"/></data></file>"
                "<file id=\"2\"><name>b</name><type>file</type><data><offset>0</offset>"
                "<length>4</length><size>4</size><encoding style=\"application/x-gzip\"/></data></file>");
    const XarArchive archive = XarArchive::parse(packageWith(toc));
    EXPECT_FALSE(archive.checksumMatches());
    EXPECT_THROW(archive.read(*archive.find("a"), 1 << 20), XarArchive::Failure);
    EXPECT_THROW(archive.read(*archive.find("b"), 1 << 20), XarArchive::Failure); // zeros are no zlib stream
    EXPECT_THROW(archive.heap(15, 10), XarArchive::Failure);
    EXPECT_EQ(archive.heap(0, 20).size(), 20);
}

TEST(XarArchive, StoredChecksumsOfFilesAreChecked) {
    const QByteArray content = "payload bytes";
    const QByteArray wrong = QCryptographicHash::hash("other", QCryptographicHash::Sha1).toHex();
    const QByteArray toc =
        tocWith(QStringLiteral("<file id=\"1\"><name>a</name><type>file</type><data><offset>20</offset>"
                               "<length>%1</length><size>%1</size><encoding style=\"application/octet-stream\"/>"
                               "<extracted-checksum style=\"SHA1\">%2</extracted-checksum></data></file>")
                    .arg(content.size())
                    .arg(QString::fromLatin1(wrong)));
    const XarArchive archive = XarArchive::parse(packageWith(toc, QByteArray(20, '\0') + content));
    EXPECT_THROW(archive.read(*archive.find("a"), 1 << 20), XarArchive::Failure);
}

TEST(PackageSignature, GivesTheVerdictOfEachSigningForm) {
    const TestPki& pki = TestPki::shared();
    using V = PackageSignature::Verdict;
    using T = PackageBuilder::Tamper;
    struct Case {
        const char* what;
        PackageBuilder builder;
        V verdict;
        bool notarized;
    };
    const QList<Case> cases = {
        {"unsigned", PackageBuilder::unsignedPackage(), V::Unsigned, false},
        {"team A", PackageBuilder::teamA(false), V::DeveloperId, false},
        {"team A with ticket", PackageBuilder::teamA(true), V::DeveloperId, true},
        {"team A sha256 with ticket", PackageBuilder::teamA(true).sha256(), V::DeveloperId, true},
        {"team B", PackageBuilder::teamB(false), V::DeveloperId, false},
        {"with a CMS signature", PackageBuilder::teamA(true).cms(PackageBuilder::Cms::Valid), V::DeveloperId, true},
        {"CMS of other bytes", PackageBuilder::teamA(true).cms(PackageBuilder::Cms::OtherContent), V::Invalid, false},
        {"untrusted chain", PackageBuilder::untrustedChain(), V::Untrusted, false},
        {"toc changed", PackageBuilder::teamA(true).tamper(T::Toc), V::Invalid, false},
        {"toc and checksum changed", PackageBuilder::teamA(true).tamper(T::TocAndChecksum), V::Invalid, false},
        // An installer leaf that expired after signing: kept only by a trusted timestamp from its validity.
        {"expired, stamped while valid",
         PackageBuilder::teamA(false)
             .signedBy(pki.installerExpired)
             .cms(PackageBuilder::Cms::Valid)
             .timestamp({CodeSigner::Timestamp::By::Trusted, std::time(nullptr) - 365 * 86400}),
         V::DeveloperId, false},
        {"expired, no CMS signature", PackageBuilder::teamA(false).signedBy(pki.installerExpired), V::Expired, false},
        {"expired, CMS without timestamp",
         PackageBuilder::teamA(false)
             .signedBy(pki.installerExpired)
             .cms(PackageBuilder::Cms::Valid)
             .timestamp({CodeSigner::Timestamp::By::None, std::nullopt}),
         V::Expired, false},
        {"expired, stamped after expiry",
         PackageBuilder::teamA(false).signedBy(pki.installerExpired).cms(PackageBuilder::Cms::Valid), V::Expired,
         false},
        {"expired, stamped by an untrusted authority",
         PackageBuilder::teamA(false)
             .signedBy(pki.installerExpired)
             .cms(PackageBuilder::Cms::Valid)
             .timestamp({CodeSigner::Timestamp::By::Untrusted, std::time(nullptr) - 365 * 86400}),
         V::Expired, false},
    };
    for (const Case& c : cases) {
        const auto result = PackageSignature::check(XarArchive::parse(c.builder.build()), *pki.anchors());
        EXPECT_EQ(result.verdict, c.verdict) << c.what;
        EXPECT_EQ(result.notarized, c.notarized) << c.what;
    }
    // A ticket of another package does not notarise this one.
    QByteArray bytes = PackageBuilder::teamA(false).build();
    const QByteArray other = PackageBuilder::teamA(true).file("x", "y").build();
    const qsizetype ticketStart = other.indexOf("t8lr", PackageBuilder::teamA(false).file("x", "y").build().size());
    bytes += other.mid(ticketStart);
    const auto borrowed = PackageSignature::check(XarArchive::parse(bytes), *pki.anchors());
    EXPECT_EQ(borrowed.verdict, V::DeveloperId);
    EXPECT_FALSE(borrowed.notarized);
}
