#include "BundleBuilder.h"
#include "CodeSigner.h"
#include "MachOBuilder.h"
#include "TestPki.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

TEST(Spctl, PrintsTheAssessmentLines) {
    QTemporaryDir anchors;
    QTemporaryDir dir;
    const auto& pki = TestPki::shared();
    pki.writeAnchors(anchors.path());
    qputenv("QUENLARK_ANCHORS", QFile::encodeName(anchors.path()));

    const auto notarized = BundleBuilder(dir.filePath("N.app")).notarized(true).build();
    const auto plain = BundleBuilder(dir.filePath("P.app")).signedBy(&pki.teamB).build();
    const auto bare = BundleBuilder(dir.filePath("U.app")).unsignedCode().build();
    const auto changed = BundleBuilder(dir.filePath("C.app")).notarized(true).build();
    QFile extra(changed.path + "/Contents/added");
    extra.open(QIODevice::WriteOnly);
    extra.close();
    CodeSigner::Options options;
    options.identity = &pki.teamA;
    const QString tool = dir.filePath("tool");
    QFile toolFile(tool);
    toolFile.open(QIODevice::WriteOnly);
    toolFile.write(CodeSigner::sign(MachOBuilder::image(MachOBuilder::arm64), options).image);
    toolFile.close();

    struct Case {
        QString path;
        QString verbosity;
        int status;
        QString output;
    };
    const QString alpha = "origin=Developer ID Application: Alpha Software (AAAAAAAAAA)\n";
    const QList<Case> cases = {
        {notarized.path, "-vv", 0, notarized.path + ": accepted\nsource=Notarized Developer ID\n" + alpha},
        {notarized.path, "-v", 0, notarized.path + ": accepted\nsource=Notarized Developer ID\n"},
        {plain.path, "-vv", 3,
         plain.path +
             ": rejected\nsource=Unnotarized Developer ID\norigin=Developer ID Application: Beta Labs (BBBBBBBBBB)\n"},
        {bare.path, "-vv", 3, bare.path + ": rejected\nsource=no usable signature\n"},
        {changed.path, "-vv", 3,
         changed.path + ": rejected (a sealed resource was changed, added or removed)\nsource=no usable signature\n"},
        {tool, "-vv", 3, tool + ": rejected (the code is valid but does not seem to be an app)\n" + alpha},
    };
    for (const Case& c : cases) {
        const ToolRun run = runTool("spctl", {"--assess", "--type", "execute", c.verbosity, c.path});
        EXPECT_EQ(run.status, c.status) << c.path.toStdString();
        EXPECT_EQ(run.output.toStdString(), c.output.toStdString());
    }
    EXPECT_EQ(runTool("spctl", {"--type", "execute", notarized.path}).status, 2);
    qunsetenv("QUENLARK_ANCHORS");
}
