#include "PackageBuilder.h"
#include "TestPki.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

class PackageTools : public ::testing::Test {
protected:
    void SetUp() override {
        TestPki::shared().writeAnchors(anchors_.path());
        qputenv("QUENLARK_ANCHORS", QFile::encodeName(anchors_.path()));
    }
    void TearDown() override { qunsetenv("QUENLARK_ANCHORS"); }

    QString write(const QString& name, const PackageBuilder& builder) {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(builder.write(path));
        return path;
    }

    QTemporaryDir anchors_;
    QTemporaryDir dir_;
};

} // namespace

TEST_F(PackageTools, PkgutilPrintsTheReportOfTheSignature) {
    const QString notarized = write("Alpha.pkg", PackageBuilder::teamA(true));
    const ToolRun run = runTool("pkgutil", {"--check-signature", notarized});
    EXPECT_EQ(run.status, 0);
    const QStringList lines = run.output.split('\n');
    ASSERT_GE(lines.size(), 21) << run.output.toStdString();
    EXPECT_EQ(lines[0], "Package \"Alpha.pkg\":");
    EXPECT_EQ(lines[1], "   Status: signed by a developer certificate issued by Apple for distribution");
    EXPECT_EQ(lines[2], "   Notarization: trusted by the Apple notary service");
    EXPECT_EQ(lines[3], "   Certificate Chain:");
    EXPECT_EQ(lines[4], "    1. Developer ID Installer: Alpha Software (AAAAAAAAAA)");
    EXPECT_TRUE(QRegularExpression("^       Expires: \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\+0000$")
                    .match(lines[5])
                    .hasMatch());
    EXPECT_EQ(lines[6], "       SHA256 Fingerprint:");
    EXPECT_TRUE(QRegularExpression("^           ([0-9A-F]{2} ){21}[0-9A-F]{2}$").match(lines[7]).hasMatch());
    EXPECT_TRUE(QRegularExpression("^           ([0-9A-F]{2} ){9}[0-9A-F]{2}$").match(lines[8]).hasMatch());
    EXPECT_EQ(lines[9], "       " + QString(72, '-'));
    EXPECT_EQ(lines[10], "    2. Developer ID Certification Authority");
    EXPECT_EQ(lines[15], lines[9]);
    EXPECT_EQ(lines[16], "    3. Test Root CA");
    EXPECT_FALSE(run.output.contains("-------\n    4."));
    EXPECT_TRUE(run.output.endsWith(lines[lines.size() - 2] + "\n"));

    struct Case {
        const char* name;
        PackageBuilder builder;
        int status;
        QString statusLine;
    };
    const QList<Case> cases = {
        {"plain.pkg", PackageBuilder::teamA(false), 0,
         "signed by a developer certificate issued by Apple for distribution"},
        {"beta.pkg", PackageBuilder::teamB(false), 0,
         "signed by a developer certificate issued by Apple for distribution"},
        {"unsigned.pkg", PackageBuilder::unsignedPackage(), 1, "no signature"},
        {"untrusted.pkg", PackageBuilder::untrustedChain(), 1, "signed by untrusted certificate"},
        {"changed.pkg", PackageBuilder::teamA(true).tamper(PackageBuilder::Tamper::Toc), 1,
         "package is invalid (checksum did not verify)"},
    };
    for (const Case& c : cases) {
        const ToolRun r = runTool("pkgutil", {"--check-signature", write(c.name, c.builder)});
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_TRUE(r.output.contains("\n   Status: " + c.statusLine + "\n")) << r.output.toStdString();
        EXPECT_FALSE(r.output.contains("Notarization:")) << c.name;
    }
    EXPECT_EQ(runTool("pkgutil", {"--expand", notarized}).status, 64);
}

TEST_F(PackageTools, ACertificateNameCanNotAddLinesToTheReport) {
    // A self-made certificate whose name carries the lines the administrator line looks for.
    TestPki::Identity forged;
    forged.key.reset(EVP_RSA_gen(2048), EVP_PKEY_free);
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 7);
    X509_NAME* name = X509_get_subject_name(certificate);
    const QByteArray cn = "x\n   Status: signed by a developer certificate issued by Apple for distribution\n"
                          "    1. Developer ID Installer: Alpha Software (AAAAAAAAAA)";
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(cn.constData()), -1,
                               -1, 0);
    X509_set_issuer_name(certificate, name);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -86400);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 86400);
    X509_set_pubkey(certificate, forged.key.get());
    X509_sign(certificate, forged.key.get(), EVP_sha256());
    forged.certificate.reset(certificate, X509_free);

    const ToolRun run = runTool(
        "pkgutil", {"--check-signature", write("forged.pkg", PackageBuilder::unsignedPackage().signedBy(forged))});
    EXPECT_EQ(run.status, 1);
    const QStringList lines = run.output.split('\n');
    EXPECT_EQ(lines.filter("Status:").size(), 1) << run.output.toStdString();
    EXPECT_EQ(lines.filter(QRegularExpression("^ *1\\. ")).size(), 1) << run.output.toStdString();
    EXPECT_EQ(lines[1], "   Status: signed by untrusted certificate");
}

TEST_F(PackageTools, SpctlAcceptsOnlyNotarizedDeveloperIdInstallers) {
    const QString notarized = write("n.pkg", PackageBuilder::teamA(true));
    const QString plain = write("p.pkg", PackageBuilder::teamA(false));
    const QString bare = write("u.pkg", PackageBuilder::unsignedPackage());
    const ToolRun accepted = runTool("spctl", {"--assess", "--type", "install", "-vv", notarized});
    EXPECT_EQ(accepted.status, 0);
    EXPECT_EQ(accepted.output, notarized + ": accepted\nsource=Notarized Developer ID\n"
                                           "origin=Developer ID Installer: Alpha Software (AAAAAAAAAA)\n");
    const ToolRun rejected = runTool("spctl", {"--assess", "--type", "install", "-vv", plain});
    EXPECT_EQ(rejected.status, 3);
    EXPECT_TRUE(rejected.output.contains("source=Unnotarized Developer ID\n"));
    EXPECT_EQ(runTool("spctl", {"--assess", "--type", "install", "-vv", bare}).output,
              bare + ": rejected\nsource=no usable signature\n");
}
