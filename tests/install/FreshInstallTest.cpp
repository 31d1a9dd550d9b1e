#include "BundleBuilder.h"
#include "EdKey.h"
#include "InstallLeftovers.h"
#include "LoopbackServer.h"
#include "PackageBuilder.h"
#include "RunSync.h"
#include "TestPki.h"
#include "ZipBuilder.h"

#include "install/SignatureChecks.h"
#include "install/Updater.h"
#include "platform/codesign/Anchors.h"
#include "platform/files/FileOps.h"
#include "sources/Net.h"
#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace {

const QString kTool = QStringLiteral("com.example.tool");

QByteArray readFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// Every file below `root` with its bytes, so a folder can be compared before and after.
QMap<QString, QByteArray> snapshot(const QString& root) {
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(root.size()), readFile(path));
    }
    return files;
}

// Renames as the system does, after `before` ran, or refuses with `error`.
class SteeredOps : public FileOps {
public:
    std::function<void()> before;
    int error = 0;
    int renameExclusive(const QString& from, const QString& to) override {
        if (before)
            before();
        return error ? error : FileOps::renameExclusive(from, to);
    }
};

QCoro::Task<bool> answer(bool yes) { co_return yes; }

struct Outcome {
    std::optional<Updater::Fresh> fresh;
    std::optional<QString> refusal;
    bool final = false;
    QList<InstallPhase> phases;
    QList<PackageConsent> consents;
};

class FreshInstall : public ::testing::Test {
public:
    void SetUp() override {
        Anchors::setConfigured(TestPki::shared().anchors());
        TestPki::shared().writeAnchors(anchors.path());
        qputenv("QUENLARK_ANCHORS", QFile::encodeName(anchors.path()));
        applications = root + "/Applications";
        QDir().mkpath(applications);
        record = {kTool, "Example", QString("AAAAAAAAAA"), std::nullopt};
        next.identifier(kTool).executableName("Example").info("CFBundleShortVersionString", "2.0");
        release.kind = SourceKind::homebrew;
        release.download = Download{};
    }
    void TearDown() override {
        Net::resetForTest();
        FileOps::setForTest(nullptr);
        Anchors::setConfigured(nullptr);
        qunsetenv("QUENLARK_ANCHORS");
    }

    // Serves the payload (by default the built bundle zipped) and fills in the download's
    // address, size and digest.
    void serve() {
        if (!payload) {
            next.build();
            EXPECT_TRUE(ZipBuilder::tree(root + "/next/Example.app", root + "/Example.zip"));
            payload = readFile(root + "/Example.zip");
        }
        if (!started) {
            if (!served)
                server.serve("/Example.zip", payload->toStdString(), 200);
            server.start();
            started = true;
        }
        Download& download = *release.download;
        download.url = server.url("/Example.zip");
        download.size = payload->size();
        download.sha256 = QString::fromLatin1(QCryptographicHash::hash(*payload, QCryptographicHash::Sha256).toHex());
        if (tweak)
            tweak(download);
    }

    Outcome attempt(QList<Release> releases = {}) {
        Outcome outcome;
        const Updater::Phase phase = [&outcome](const InstallPhase& value) { outcome.phases << value; };
        const Updater::Consent consent = [&outcome, this](PackageConsent facts) {
            outcome.consents << facts;
            return answer(agree);
        };
        try {
            const Updater updater(applications, std::nullopt);
            if (releases.isEmpty()) {
                serve();
                outcome.fresh = runSync(updater.installNew(record, release, consent, phase));
            } else {
                outcome.fresh = runSync(updater.installFirst(record, releases, consent, phase));
            }
        } catch (const UpdateError& error) {
            outcome.refusal = error.description();
            outcome.final = error.final;
        }
        return outcome;
    }

    QStringList leftovers() const { return installLeftovers(applications); }

    QTemporaryDir dir, anchors;
    QString root = QDir(dir.path()).canonicalPath();
    QString applications;
    Updater::Recorded record;
    Release release;
    BundleBuilder next{root + "/next/Example.app"};
    std::optional<QByteArray> payload;
    std::function<void(Download&)> tweak;
    bool served = false, started = false, agree = true;
    LoopbackServer server;
};

const EdKey& ourKey() {
    static const EdKey key;
    return key;
}

struct HostileCase {
    const char* what;
    std::function<void(FreshInstall&)> arrange;
    QString sentence;   // %APPS% is the applications folder, %SIZE% the payload's size
    bool early = false; // refused before anything was fetched
};

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.what; }

class Hostile : public FreshInstall, public ::testing::WithParamInterface<HostileCase> {};

} // namespace

TEST_F(FreshInstall, PlacesTheAppItsTeamVouchesFor) {
    const Outcome outcome = attempt();

    ASSERT_FALSE(outcome.refusal) << outcome.refusal->toStdString();
    EXPECT_EQ(outcome.fresh->url, applications + "/Example.app");
    EXPECT_EQ(outcome.fresh->team, "AAAAAAAAAA");
    EXPECT_EQ(outcome.fresh->note, std::nullopt);
    EXPECT_EQ(SignatureChecks::validSignature(applications + "/Example.app"), "AAAAAAAAAA");
    EXPECT_EQ(Updater::bundleIdentifier(applications + "/Example.app"), kTool);
    EXPECT_EQ(QDir(applications).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Example.app"});
    EXPECT_EQ(leftovers(), QStringList());
    ASSERT_GE(outcome.phases.size(), 3);
    EXPECT_EQ(outcome.phases.first(), InstallPhase::downloading(0));
    EXPECT_EQ(outcome.phases.at(outcome.phases.size() - 2), InstallPhase::verifying());
    EXPECT_EQ(outcome.phases.last(), InstallPhase::installing());
}

// Whatever the library or the source says wrongly, nothing is installed and nothing is left.
TEST_P(Hostile, IsRefusedAndLeavesNothing) {
    const HostileCase& c = GetParam();
    c.arrange(*this);
    const QMap<QString, QByteArray> before = snapshot(applications);

    const Outcome outcome = attempt();

    ASSERT_TRUE(outcome.refusal) << "installed";
    QString sentence = c.sentence;
    sentence.replace("%APPS%", applications).replace("%SIZE%", QString::number(payload->size()));
    EXPECT_EQ(*outcome.refusal, sentence);
    EXPECT_EQ(snapshot(applications), before);
    EXPECT_EQ(leftovers(), QStringList());
    if (c.early) {
        EXPECT_TRUE(outcome.phases.isEmpty());
        EXPECT_EQ(server.requestCount(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    FreshInstall, Hostile,
    ::testing::ValuesIn(QList<HostileCase>{
        {"a download of another app", [](FreshInstall& t) { t.next.identifier("com.example.other"); },
         "The download contains a different app, not \u2068com.example.tool\u2069. Refusing to install."},
        {"another team than the library's", [](FreshInstall& t) { t.next.signedBy(&TestPki::shared().teamB); },
         "Team ID mismatch: \u2068Example\u2069 on your other Mac was signed by \u2068AAAAAAAAAA\u2069, this download "
         "by "
         "\u2068BBBBBBBBBB\u2069. Refusing to install."},
        {"an EdDSA key and an unsigned download", [](FreshInstall& t) { t.record.edKey = ourKey().publicBase64(); },
         "\u2068Example\u2069 only accepts EdDSA-signed updates, and this download isn't signed.", true},
        {"a signature by another key",
         [](FreshInstall& t) {
             t.record.edKey = EdKey().publicBase64();
             t.tweak = [&t](Download& d) { d.edSignature = ourKey().sign(*t.payload); };
         },
         "EdDSA signature doesn't match \u2068Example\u2069's key."},
        {"a wrong size",
         [](FreshInstall& t) {
             // Sent without a length, so only the check after the transfer can tell.
             t.payload = QByteArray("PK\x03\x04 truncated", 14);
             t.served = true;
             t.server.http().Get("/Example.zip", [](const httplib::Request&, httplib::Response& res) {
                 res.set_chunked_content_provider("application/zip", [](size_t, httplib::DataSink& sink) {
                     sink.write("PK\x03\x04 truncated", 14);
                     sink.done();
                     return true;
                 });
             });
             t.tweak = [](Download& d) { d.size = 1000; };
         },
         "The download is 14 bytes but should be 1000."},
        {"a wrong SHA-256", [](FreshInstall& t) { t.tweak = [](Download& d) { d.sha256 = QString(64, 'A'); }; },
         "SHA-256 checksum mismatch: the download isn't the file the source published."},
        {"a destination that exists",
         [](FreshInstall& t) {
             BundleBuilder(t.applications + "/Example.app").identifier(kTool).executableName("Example").build();
         },
         "\u2068Example.app\u2069 is already in %APPS%."},
        {"a download link that isn't on the web",
         [](FreshInstall& t) { t.tweak = [](Download& d) { d.url = QUrl("file:///etc/passwd"); }; },
         "The download link isn't a web address."},
        {"a Team ID of nine characters", [](FreshInstall& t) { t.record.team = "AAAAAAAAA"; },
         "The library's Team ID for \u2068Example\u2069 isn't valid.", true},
        {"a Team ID with a small letter", [](FreshInstall& t) { t.record.team = "AAAAAAAAAa"; },
         "The library's Team ID for \u2068Example\u2069 isn't valid.", true},
        {"neither team nor key, not notarised", [](FreshInstall& t) { t.record.team.reset(); },
         "\u2068Example\u2069 is signed by team \u2068AAAAAAAAAA\u2069 but isn't notarized by Apple. Refusing to "
         "install."},
        {"nothing to download", [](FreshInstall& t) { t.tweak = [&t](Download&) { t.release.download.reset(); }; },
         "There's nothing to download for \u2068Example\u2069.", true},
    }));

// The destination appears between the look and the move: the app that appeared stays as it was,
// byte for byte, and the staging copy goes.
TEST_F(FreshInstall, NeverReplacesWhatAppearsBeforeTheMove) {
    SteeredOps ops;
    const QString existing = applications + "/Example.app";
    QMap<QString, QByteArray> appeared;
    ops.before = [&existing, &appeared] {
        BundleBuilder(existing).identifier("com.example.earlier").executableName("Earlier").build();
        appeared = snapshot(existing);
    };
    FileOps::setForTest(&ops);

    const Outcome outcome = attempt();

    ASSERT_TRUE(outcome.refusal);
    EXPECT_EQ(*outcome.refusal, "\u2068Example.app\u2069 is already in " + applications + ".");
    ASSERT_FALSE(appeared.isEmpty());
    EXPECT_EQ(snapshot(existing), appeared);
    EXPECT_EQ(leftovers(), QStringList());
}

TEST_F(FreshInstall, AFileSystemWithoutTheExclusiveMoveInstallsNothing) {
    for (const int error : {EINVAL, ENOSYS}) {
        SteeredOps ops;
        ops.error = error;
        FileOps::setForTest(&ops);
        const Outcome outcome = attempt();
        FileOps::setForTest(nullptr);
        ASSERT_TRUE(outcome.refusal);
        EXPECT_EQ(*outcome.refusal, "The file system of " + applications +
                                        " can't move an app into place without the risk of replacing another, so "
                                        "\u2068Example\u2069 wasn't installed.");
        EXPECT_EQ(QDir(applications).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        EXPECT_EQ(leftovers(), QStringList());
    }
}

// The checked bundle moves in with one rename; where it can't (another volume), it is copied in
// under a staging name instead, and the same app lands with nothing left behind.
TEST_F(FreshInstall, AnotherVolumeIsCopiedInstead) {
    SteeredOps ops;
    int renames = 0;
    ops.error = EXDEV;
    ops.before = [&ops, &renames] {
        if (++renames == 2)
            ops.error = 0; // the staging copy's move is on one volume
    };
    FileOps::setForTest(&ops);
    const Outcome outcome = attempt();
    FileOps::setForTest(nullptr);

    ASSERT_FALSE(outcome.refusal) << outcome.refusal->toStdString();
    EXPECT_EQ(renames, 2);
    EXPECT_EQ(SignatureChecks::validSignature(applications + "/Example.app"), "AAAAAAAAAA");
    EXPECT_EQ(QDir(applications).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Example.app"});
    EXPECT_EQ(leftovers(), QStringList());
}

// A copy that stops part-way (here at a file size limit) leaves no hidden staging copy.
TEST_F(FreshInstall, ACopyThatFailsPartWayLeavesNoStagingCopy) {
    next.resource("Resources/big.bin", QByteArray(4 << 20, 'x'));
    next.build();
    const QString bundle = root + "/next/Example.app";
    struct rlimit was;
    ::getrlimit(RLIMIT_FSIZE, &was);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN); // the copy sees EFBIG instead of dying
    struct rlimit small = was;
    small.rlim_cur = 1 << 20;
    ::setrlimit(RLIMIT_FSIZE, &small);
    std::optional<QString> refusal;
    try {
        const Updater updater(applications, std::nullopt);
        runSync(updater.place(bundle, "Example"));
    } catch (const UpdateError& error) {
        refusal = error.description();
    }
    ::setrlimit(RLIMIT_FSIZE, &was);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_TRUE(refusal) << "copied";
    EXPECT_TRUE(refusal->startsWith("ditto failed")) << refusal->toStdString();
    EXPECT_EQ(QDir(applications).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

TEST_F(FreshInstall, CandidatesStopAtADeclinedPackageAndOtherwiseSayEachFailure) {
    // A notarised package of the library's team, in a zip that names it.
    const QByteArray package = PackageBuilder::teamA(true).file("Example.app/Contents/Info.plist", "x").build();
    ZipBuilder().file("Example.pkg", package).write(root + "/Example-pkg.zip");
    payload = readFile(root + "/Example-pkg.zip");
    tweak = [](Download& d) { d.package = "Example.pkg"; };
    serve();
    Release packaged = release;
    Release sparkle = release;
    sparkle.kind = SourceKind::sparkle;
    sparkle.download->url = server.url("/other.zip");
    agree = false;

    const Outcome declined = attempt({packaged, sparkle});

    EXPECT_EQ(declined.refusal, "You chose not to run \u2068Example\u2069's installer. Nothing was installed.");
    EXPECT_TRUE(declined.final);
    ASSERT_EQ(declined.consents.size(), 1);
    EXPECT_EQ(declined.consents.first(),
              (PackageConsent{"Example", "Developer ID Installer: Alpha Software (AAAAAAAAAA)", "AAAAAAAAAA", true,
                              true, true}));
    EXPECT_EQ(server.requestCount(), 1); // the second candidate was never fetched
    EXPECT_EQ(leftovers(), QStringList());

    Release gone = release;
    gone.download->url = server.url("/gone.zip");
    const Outcome both = attempt({gone, sparkle});
    EXPECT_EQ(both.refusal, "Homebrew cask: Download failed: HTTP 404.\nSparkle: Download failed: HTTP 404.");
    const Outcome one = attempt({gone});
    EXPECT_EQ(one.refusal, "Download failed: HTTP 404.");

    const Updater updater(applications, std::nullopt);
    try {
        runSync(updater.installFirst(record, {}, {}, {}));
        ADD_FAILURE() << "installed from nothing";
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.description(), "There's nothing to download for \u2068Example\u2069.");
    }
}

// An accepted package runs through the administrator step (here without elevation) and is then
// looked for where packages put applications.
TEST_F(FreshInstall, AnAcceptedPackageRunsAsAdministratorThenIsLookedForInApplications) {
    qputenv("QUENLARK_ELEVATION", "unprivileged");
    const QString target = root + "/package-target";
    QDir().mkpath(target);
    const QByteArray package =
        PackageBuilder::teamA(true)
            .installLocation(target)
            .folder("Example.app")
            .file("Example.app/Contents/Info.plist", BundleBuilder::infoPlistXml({{"CFBundleIdentifier", kTool}}))
            .build();
    payload = package;
    record.team.reset(); // a notarised package vouches for itself

    // A second package right after the first, as a restore runs them: the administrator step is
    // free again and runs it too.
    for (int run = 0; run < 2; ++run) {
        QDir(target + "/Example.app").removeRecursively();
        const Outcome outcome = attempt();
        EXPECT_EQ(outcome.refusal, "The installer finished, but \u2068Example\u2069 isn't in /Applications.") << run;
        ASSERT_EQ(outcome.consents.size(), 1);
        EXPECT_FALSE(outcome.consents.first().sameTeam);
        EXPECT_EQ(outcome.phases.last(), InstallPhase::installing());
        EXPECT_EQ(Updater::bundleIdentifier(target + "/Example.app"), kTool) << run; // the installer ran
    }
    qunsetenv("QUENLARK_ELEVATION");
    EXPECT_EQ(QDir(applications).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    EXPECT_EQ(leftovers(), QStringList());
}
