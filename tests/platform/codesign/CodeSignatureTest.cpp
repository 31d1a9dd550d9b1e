#include "BundleBuilder.h"
#include "CodeSigner.h"
#include "MachOBuilder.h"
#include "TestPki.h"

#include "platform/codesign/CodeSignature.h"
#include "platform/codesign/SignatureStatus.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace {

void patch(const QString& path, qint64 offset) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(offset);
    char byte = 0;
    file.getChar(&byte);
    file.seek(offset);
    file.putChar(char(byte ^ 0x01));
}

void append(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(bytes);
}

BundleBuilder fullBundle(const QString& path) {
    return BundleBuilder(path)
        .identifier("com.example.full")
        .architectures({MachOBuilder::x86_64, MachOBuilder::arm64})
        .resource("Resources/icon.icns", "icon bytes")
        .resource("Resources/en.lproj/Main.strings", "\"a\" = \"b\";")
        .symlink("Resources/current", "en.lproj")
        .nested("Helpers/Helper.app", BundleBuilder(QString()).identifier("com.example.full.helper"));
}

qint64 secondSlice(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray head = file.read(64);
    return qint64(uint8_t(head[36])) << 24 | qint64(uint8_t(head[37])) << 16 | qint64(uint8_t(head[38])) << 8 |
           uint8_t(head[39]);
}

int validity(const QString& path, const Requirement* requirement = nullptr) {
    const auto code = CodeSignature::create(path, TestPki::shared().anchors());
    return code ? code->checkValidity(CodeSignature::ValidityFlags, requirement) : SignatureStatus::StaticCodeNotFound;
}

} // namespace

TEST(CodeSignature, ValidDeveloperIdBundleMeetsItsOwnDesignatedRequirement) {
    QTemporaryDir dir;
    const auto built = fullBundle(dir.filePath("Full.app")).build();
    const auto code = CodeSignature::create(built.path, TestPki::shared().anchors());
    ASSERT_TRUE(code);
    EXPECT_EQ(code->checkValidity(CodeSignature::ValidityFlags), 0);
    const auto info = code->information();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->teamIdentifier, u"AAAAAAAAAA");
    EXPECT_EQ(info->cdhashes, built.cdhashes);
    EXPECT_EQ(info->leafCommonName, u"Developer ID Application: Alpha Software (AAAAAAAAAA)");
    EXPECT_FALSE(info->notarized);
    const auto designated = code->designatedRequirement();
    ASSERT_TRUE(designated);
    EXPECT_EQ(
        designated->text().toStdString(),
        "identifier \"com.example.full\" and anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] "
        "exists and certificate leaf[field.1.2.840.113635.100.6.1.13] exists and certificate leaf[subject.OU] = "
        "\"AAAAAAAAAA\"");
    EXPECT_EQ(code->checkValidity(CodeSignature::ValidityFlags, &*designated), 0);
}

TEST(CodeSignature, ImplicitDesignatedRequirementForDeveloperIdCode) {
    QTemporaryDir dir;
    const auto built =
        BundleBuilder(dir.filePath("Plain.app")).identifier("com.example.plain").explicitRequirement(false).build();
    const auto code = CodeSignature::create(built.path, TestPki::shared().anchors());
    const auto designated = code->designatedRequirement();
    ASSERT_TRUE(designated);
    EXPECT_EQ(
        designated->text().toStdString(),
        "identifier \"com.example.plain\" and anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] "
        "exists and certificate leaf[field.1.2.840.113635.100.6.1.13] exists and certificate leaf[subject.OU] = "
        "\"AAAAAAAAAA\"");
    EXPECT_EQ(code->checkValidity(CodeSignature::ValidityFlags, &*designated), 0);
}

TEST(CodeSignature, ACopyThatNoLongerValidatesStillNamesItsDeveloper) {
    for (const bool stored : {true, false}) {
        QTemporaryDir dir;
        const auto installed = BundleBuilder(dir.filePath("Old.app"))
                                   .identifier("com.example.app")
                                   .resource("Resources/data", "sealed")
                                   .explicitRequirement(stored)
                                   .build();
        QFile sealed(installed.path + "/Contents/Resources/data");
        ASSERT_TRUE(sealed.open(QIODevice::WriteOnly));
        sealed.write("changed");
        sealed.close();
        const auto code = CodeSignature::create(installed.path, TestPki::shared().anchors());
        ASSERT_NE(code->checkValidity(CodeSignature::ValidityFlags), 0);
        const auto designated = code->designatedRequirement();
        ASSERT_TRUE(designated) << stored;
        const auto same = BundleBuilder(dir.filePath("A.app")).identifier("com.example.app").build();
        const auto other = BundleBuilder(dir.filePath("B.app"))
                               .identifier("com.example.app")
                               .signedBy(&TestPki::shared().teamB)
                               .build();
        EXPECT_EQ(validity(same.path, &*designated), 0) << stored;
        EXPECT_NE(validity(other.path, &*designated), 0) << stored << ": another team's build meets it";
    }
}

// Each change after signing fails with its own status; a bundle left alone stays valid.
TEST(CodeSignature, ChangesAfterSigningFailWithTheirStatus) {
    struct Case {
        const char* what;
        std::function<void(const BundleBuilder::Built&)> change;
        int status;
    };
    const QList<Case> cases = {
        {"nothing", [](const auto&) {}, SignatureStatus::Ok},
        {"a code byte of the second slice",
         [](const auto& b) { patch(b.executable, secondSlice(b.executable) + 0x300); },
         SignatureStatus::SignatureInvalid},
        {"a byte of the load commands", [](const auto& b) { patch(b.executable, 0x4000 + 0x40); },
         SignatureStatus::SignatureInvalid},
        {"Info.plist", [](const auto& b) { append(b.path + "/Contents/Info.plist", " "); },
         SignatureStatus::InfoPlistFailed},
        {"a resource", [](const auto& b) { patch(b.path + "/Contents/Resources/icon.icns", 2); },
         SignatureStatus::ResourcesInvalid},
        {"an added file", [](const auto& b) { append(b.path + "/Contents/Resources/extra.txt", "x"); },
         SignatureStatus::ResourcesInvalid},
        {"an added file beside the executable", [](const auto& b) { append(b.path + "/Contents/MacOS/evil", "x"); },
         SignatureStatus::ResourcesInvalid},
        {"a removed file", [](const auto& b) { QFile::remove(b.path + "/Contents/Resources/icon.icns"); },
         SignatureStatus::ResourcesInvalid},
        {"a removed optional localisation",
         [](const auto& b) { QFile::remove(b.path + "/Contents/Resources/en.lproj/Main.strings"); },
         SignatureStatus::Ok},
        {"an omitted .DS_Store", [](const auto& b) { append(b.path + "/Contents/Resources/.DS_Store", "x"); },
         SignatureStatus::Ok},
        {"a stapled ticket file", [](const auto& b) { append(b.path + "/Contents/CodeResources", "x"); },
         SignatureStatus::Ok},
        {"a link leaving the bundle",
         [](const auto& b) { QFile::link("/etc/passwd", b.path + "/Contents/Resources/out"); },
         SignatureStatus::InvalidSymlink},
        {"a sealed link retargeted outside",
         [](const auto& b) {
             QFile::remove(b.path + "/Contents/Resources/current");
             QFile::link("../../../..", b.path + "/Contents/Resources/current");
         },
         SignatureStatus::InvalidSymlink},
        {"the resource seal", [](const auto& b) { append(b.path + "/Contents/_CodeSignature/CodeResources", "\n"); },
         SignatureStatus::ResourceDirectoryFailed},
        {"the nested helper's executable",
         [](const auto& b) { patch(b.path + "/Contents/Helpers/Helper.app/Contents/MacOS/Tool", 0x300); },
         SignatureStatus::BadNestedCode},
        {"the nested helper replaced by another validly signed one",
         [](const auto& b) {
             const QString helper = b.path + "/Contents/Helpers/Helper.app";
             QDir(helper).removeRecursively();
             BundleBuilder(helper).identifier("com.example.full.helper").signedBy(&TestPki::shared().teamB).build();
         },
         SignatureStatus::BadNestedCode},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const auto built = fullBundle(dir.filePath("Full.app")).build();
        c.change(built);
        EXPECT_EQ(validity(built.path), c.status) << c.what;
        // Whatever changed, the signature still says who made the code.
        const auto designated = CodeSignature::create(built.path, TestPki::shared().anchors())->designatedRequirement();
        ASSERT_TRUE(designated) << c.what;
        EXPECT_TRUE(designated->text().endsWith(u"certificate leaf[subject.OU] = \"AAAAAAAAAA\"")) << c.what;
    }
}

TEST(CodeSignature, SignersAndChainsGiveTheirStatus) {
    QTemporaryDir dir;
    const auto& pki = TestPki::shared();
    const auto reference = BundleBuilder(dir.filePath("A.app")).identifier("com.example.app").build();
    const auto designated = CodeSignature::create(reference.path, pki.anchors())->designatedRequirement();
    ASSERT_TRUE(designated);
    struct Case {
        const char* what;
        BundleBuilder bundle;
        int valid;
        int againstDesignated;
    };
    const QList<Case> cases = {
        {"same team", BundleBuilder(dir.filePath("Same.app")).identifier("com.example.app"), SignatureStatus::Ok,
         SignatureStatus::Ok},
        {"another team", BundleBuilder(dir.filePath("B.app")).identifier("com.example.app").signedBy(&pki.teamB),
         SignatureStatus::Ok, SignatureStatus::RequirementFailed},
        {"binary Info.plist",
         BundleBuilder(dir.filePath("Binary.app")).identifier("com.example.app").binaryInfoPlist(true),
         SignatureStatus::Ok, SignatureStatus::Ok},
        {"another identifier", BundleBuilder(dir.filePath("Other.app")).identifier("com.example.other"),
         SignatureStatus::Ok, SignatureStatus::RequirementFailed},
        {"ad-hoc", BundleBuilder(dir.filePath("AdHoc.app")).identifier("com.example.app").signedBy(nullptr),
         SignatureStatus::Ok, SignatureStatus::RequirementFailed},
        {"untrusted chain",
         BundleBuilder(dir.filePath("Untrusted.app")).identifier("com.example.app").signedBy(&pki.untrusted),
         SignatureStatus::Untrusted, SignatureStatus::Untrusted},
        {"revoked leaf",
         BundleBuilder(dir.filePath("Revoked.app")).identifier("com.example.app").signedBy(&pki.revoked),
         SignatureStatus::Revoked, SignatureStatus::Revoked},
        {"unsigned", BundleBuilder(dir.filePath("Unsigned.app")).identifier("com.example.app").unsignedCode(),
         SignatureStatus::Unsigned, SignatureStatus::Unsigned},
        {"unknown critical extension",
         BundleBuilder(dir.filePath("Odd.app")).identifier("com.example.app").signedBy(&pki.unknownCritical),
         SignatureStatus::Untrusted, SignatureStatus::Untrusted},
        // A leaf that expired after signing: only a trusted timestamp from inside its validity keeps it.
        {"expired, stamped while valid",
         BundleBuilder(dir.filePath("Stamped.app"))
             .identifier("com.example.app")
             .signedBy(&pki.expired)
             .timestamp({CodeSigner::Timestamp::By::Trusted, std::time(nullptr) - 365 * 86400}),
         SignatureStatus::Ok, SignatureStatus::RequirementFailed},
        {"expired, no timestamp",
         BundleBuilder(dir.filePath("Unstamped.app"))
             .identifier("com.example.app")
             .signedBy(&pki.expired)
             .timestamp({CodeSigner::Timestamp::By::None, std::nullopt}),
         SignatureStatus::CertificateExpired, SignatureStatus::CertificateExpired},
        {"expired, stamped after expiry",
         BundleBuilder(dir.filePath("Late.app")).identifier("com.example.app").signedBy(&pki.expired),
         SignatureStatus::CertificateExpired, SignatureStatus::CertificateExpired},
        {"expired, stamped by an untrusted authority",
         BundleBuilder(dir.filePath("Forged.app"))
             .identifier("com.example.app")
             .signedBy(&pki.expired)
             .timestamp({CodeSigner::Timestamp::By::Untrusted, std::time(nullptr) - 365 * 86400}),
         SignatureStatus::CertificateExpired, SignatureStatus::CertificateExpired},
    };
    for (const Case& c : cases) {
        const auto built = c.bundle.build();
        EXPECT_EQ(validity(built.path), c.valid) << c.what;
        EXPECT_EQ(validity(built.path, &*designated), c.againstDesignated) << c.what;
    }
    EXPECT_FALSE(CodeSignature::create(dir.filePath("Missing.app")));
}

TEST(CodeSignature, NotarisationNeedsAGenuineTicketNamingTheCode) {
    QTemporaryDir dir;
    const auto& pki = TestPki::shared();
    const auto notarized = BundleBuilder(dir.filePath("N.app"))
                               .notarized(true)
                               .architectures({MachOBuilder::x86_64, MachOBuilder::arm64})
                               .build();
    const auto plain = BundleBuilder(dir.filePath("P.app")).build();
    EXPECT_TRUE(CodeSignature::create(notarized.path, pki.anchors())->information()->notarized);
    EXPECT_FALSE(CodeSignature::create(plain.path, pki.anchors())->information()->notarized);

    // A ticket signed by the developer's own certificate, or naming other code, is not one.
    const auto forged = BundleBuilder(dir.filePath("F.app")).build();
    QFile ticket(forged.path + "/Contents/CodeResources");
    ticket.open(QIODevice::WriteOnly);
    ticket.write(CodeSigner::ticket(forged.cdhashes, pki.teamA));
    ticket.close();
    EXPECT_FALSE(CodeSignature::create(forged.path, pki.anchors())->information()->notarized);
    QFile::copy(notarized.path + "/Contents/CodeResources", plain.path + "/Contents/CodeResources");
    EXPECT_FALSE(CodeSignature::create(plain.path, pki.anchors())->information()->notarized);
    // The requirement language sees the ticket too.
    const auto requirement = Requirement::parse("anchor apple generic and notarized");
    EXPECT_EQ(validity(notarized.path, &*requirement), 0);
    EXPECT_EQ(validity(plain.path, &*requirement), SignatureStatus::RequirementFailed);
}
