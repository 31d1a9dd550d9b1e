#include "BundleBuilder.h"
#include "CodeSigner.h"
#include "MachOBuilder.h"
#include "TestPki.h"

#include "platform/codesign/CodeSignature.h"
#include "platform/codesign/EmbeddedSignature.h"
#include "platform/codesign/MachO.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

namespace {

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

QByteArray signedImage(uint32_t cpu, const TestPki::Identity* identity, uint32_t seed = 1) {
    CodeSigner::Options options;
    options.identity = identity;
    return CodeSigner::sign(MachOBuilder::image(cpu, 3 * 4096 + 123, seed), options).image;
}

} // namespace

TEST(TeamIdentifier, ReadsTheTeamOfBundlesAndBareExecutables) {
    QTemporaryDir dir;
    const auto& pki = TestPki::shared();
    const auto thin = BundleBuilder(dir.filePath("Thin.app")).build();
    const auto fat = BundleBuilder(dir.filePath("Fat.app"))
                         .signedBy(&pki.teamB)
                         .architectures({MachOBuilder::x86_64, MachOBuilder::arm64})
                         .build();
    const auto adhoc = BundleBuilder(dir.filePath("AdHoc.app")).signedBy(nullptr).build();
    const auto bare = BundleBuilder(dir.filePath("Bare.app")).unsignedCode().build();
    const auto binary = BundleBuilder(dir.filePath("Binary.app")).binaryInfoPlist(true).build();

    EXPECT_EQ(CodeSignature::teamIdentifier(thin.path), u"AAAAAAAAAA");
    EXPECT_EQ(CodeSignature::teamIdentifier(thin.path + "/"), u"AAAAAAAAAA");
    EXPECT_EQ(CodeSignature::teamIdentifier(fat.path), u"BBBBBBBBBB");
    EXPECT_EQ(CodeSignature::teamIdentifier(fat.executable), u"BBBBBBBBBB");
    EXPECT_EQ(CodeSignature::teamIdentifier(binary.path), u"AAAAAAAAAA");
    EXPECT_EQ(CodeSignature::teamIdentifier(adhoc.path), std::nullopt);
    EXPECT_EQ(CodeSignature::teamIdentifier(bare.path), std::nullopt);
    EXPECT_EQ(CodeSignature::teamIdentifier(dir.filePath("Missing.app")), std::nullopt);
    EXPECT_EQ(CodeSignature::teamIdentifier(dir.path()), std::nullopt);
}

TEST(TeamIdentifier, SlicesThatDisagreeGiveNoTeam) {
    QTemporaryDir dir;
    const auto& pki = TestPki::shared();
    const QByteArray mixed = MachOBuilder::universal(
        {signedImage(MachOBuilder::x86_64, &pki.teamA), signedImage(MachOBuilder::arm64, &pki.teamB, 2)});
    const QByteArray halfSigned = MachOBuilder::universal(
        {signedImage(MachOBuilder::x86_64, &pki.teamA), MachOBuilder::image(MachOBuilder::arm64)});
    EXPECT_EQ(CodeSignature::teamIdentifier(write(dir, "mixed", mixed)), std::nullopt);
    EXPECT_EQ(CodeSignature::teamIdentifier(write(dir, "half", halfSigned)), std::nullopt);
}

TEST(TeamIdentifier, BundleWhoseExecutableEscapesGivesNoTeam) {
    QTemporaryDir dir;
    const auto built = BundleBuilder(dir.filePath("Outside.app")).build();
    const QString outside = dir.filePath("elsewhere");
    QFile::rename(built.executable, outside);
    QFile::link(outside, built.executable);
    EXPECT_EQ(CodeSignature::teamIdentifier(built.path), std::nullopt);
    // The same file is fine when asked for directly.
    EXPECT_EQ(CodeSignature::teamIdentifier(outside), u"AAAAAAAAAA");

    // A link that stays inside the bundle is followed.
    const auto inner = BundleBuilder(dir.filePath("Inner.app")).build();
    QFile::rename(inner.executable, inner.path + QStringLiteral("/Contents/Real"));
    QFile::link(inner.path + QStringLiteral("/Contents/Real"), inner.executable);
    EXPECT_EQ(CodeSignature::teamIdentifier(inner.path), u"AAAAAAAAAA");
}

// Every truncation and a sweep of single-byte corruptions of a signed universal file must be
// read without a crash; a truncated file never yields a team, since its signature is cut off.
TEST(TeamIdentifier, HostileFilesNeverCrash) {
    const auto& pki = TestPki::shared();
    const QByteArray fat = MachOBuilder::universal(
        {signedImage(MachOBuilder::x86_64, &pki.teamA), signedImage(MachOBuilder::arm64, &pki.teamA, 2)});
    for (qsizetype length = 0; length < fat.size(); length += (length < 512 ? 1 : 97)) {
        QByteArray cut = fat.left(length);
        QBuffer buffer(&cut);
        buffer.open(QIODevice::ReadOnly);
        const auto slices = MachO::slices(buffer);
        if (!slices)
            continue;
        for (const auto& slice : *slices) {
            const auto bytes = MachO::signatureBytes(buffer, slice);
            EXPECT_FALSE(bytes && EmbeddedSignature::parse(*bytes).has_value()) << length;
        }
    }
    const QByteArray values[] = {QByteArray(1, '\xFF'), QByteArray(1, '\x7F'), QByteArray(1, '\0'),
                                 QByteArray(1, '\x01')};
    for (qsizetype at = 0; at < fat.size(); at += (at < 0x4200 ? 1 : 61)) {
        for (const QByteArray& value : values) {
            QByteArray changed = fat;
            changed[at] = value[0];
            QBuffer buffer(&changed);
            buffer.open(QIODevice::ReadOnly);
            if (const auto slices = MachO::slices(buffer)) {
                for (const auto& slice : *slices) {
                    if (const auto bytes = MachO::signatureBytes(buffer, slice))
                        EmbeddedSignature::parse(*bytes);
                }
            }
        }
    }
}

TEST(TeamIdentifier, LyingHeadersAreRefused) {
    QByteArray thin = signedImage(MachOBuilder::arm64, &TestPki::shared().teamA);
    struct Case {
        const char* what;
        int offset;
        uint32_t value;
    };
    const Case cases[] = {
        {"huge command count", 16, 0xFFFFFFFF},
        {"commands larger than the file", 20, 0x7FFFFFF0},
        {"signature offset past the end", 184, 0xFFFFFF00},
        {"signature size past the end", 188, 0xFFFFFF00},
        {"zero-sized load command", 36, 0},
    };
    for (const Case& c : cases) {
        QByteArray changed = thin;
        MachOBuilder::putLe32(changed, c.offset, c.value);
        QBuffer buffer(&changed);
        buffer.open(QIODevice::ReadOnly);
        EXPECT_FALSE(MachO::slices(buffer).has_value()) << c.what;
    }
    // A fat header that claims thousands of slices (a Java class file looks like this).
    QByteArray fat = MachOBuilder::universal({thin});
    MachOBuilder::putBe32(fat, 4, 0x00000034);
    QBuffer buffer(&fat);
    buffer.open(QIODevice::ReadOnly);
    EXPECT_FALSE(MachO::slices(buffer).has_value());
}
