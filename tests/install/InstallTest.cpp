#include "BundleBuilder.h"
#include "EdKey.h"
#include "InstallLeftovers.h"
#include "LoopbackServer.h"
#include "RunSync.h"
#include "TestPki.h"
#include "UdifWriter.h"
#include "ZipBuilder.h"

#include "install/SignatureChecks.h"
#include "install/Updater.h"
#include "model/Scanner.h"
#include "platform/codesign/Anchors.h"
#include "platform/files/FileOps.h"
#include "platform/system/SystemInfo.h"
#include "runtime/UpdateError.h"
#include "sources/Net.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <openssl/evp.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kTool = QStringLiteral("com.example.tool");

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// Refuses one kind of rename the way the system refuses a change it isn't allowed to make.
class RefusingOps : public FileOps {
public:
    int exchangeError = 0;
    int moveError = 0;
    int exchange(const QString& a, const QString& b) override {
        return exchangeError ? exchangeError : FileOps::exchange(a, b);
    }
    int renameNoReplace(const QString& from, const QString& to) override {
        return moveError ? moveError : FileOps::renameNoReplace(from, to);
    }
};

struct Outcome {
    QStringList log;
    std::optional<QString> refusal;
    bool needsPermission = false;
    QList<InstallPhase> phases;
};

class InstallTest : public ::testing::Test {
public:
    void SetUp() override {
        Anchors::setConfigured(TestPki::shared().anchors());
        SystemInfo::overrideArm(true);
        applications = root + "/Applications";
        trash = root + "/Trash";
        installed = applications + "/Example.app";
        BundleBuilder(installed)
            .identifier(kTool)
            .executableName("Example")
            .info("CFBundleShortVersionString", "1.0")
            .build();
        app = *Scanner::read(installed, applications);
        next.identifier(kTool).executableName("Example").info("CFBundleShortVersionString", "2.0");
        release.kind = SourceKind::sparkle;
        release.download = Download{};
    }
    void TearDown() override {
        Net::resetForTest(); // closes the kept-alive connection, so the server stops at once
        FileOps::setForTest(nullptr);
        SystemInfo::overrideArm(std::nullopt);
        Anchors::setConfigured(nullptr);
        for (QProcess* process : processes) {
            process->kill();
            process->waitForFinished();
            delete process;
        }
    }

    // Copies /bin/sleep into the installed bundle and starts it from there.
    void startInstalledCopy() {
        const QString exe = installed + "/Contents/MacOS/helper";
        QFile::copy("/bin/sleep", exe);
        QFile(exe).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        auto* process = new QProcess;
        process->start(exe, {"30"});
        process->waitForStarted();
        processes << process;
    }

    // Serves the payload (by default the next version zipped), fills in the download's
    // address, size and digest, and installs.
    Outcome attempt() {
        if (!payload) {
            const QString bundle = root + "/next/Example.app";
            next.build();
            if (dmg) {
                const QString iso = root + "/next.iso";
                EXPECT_TRUE(makeIso(root + "/next", iso));
                UdifWriter writer;
                writer.licence = "Terms of use.";
                EXPECT_TRUE(writer.write(iso, root + "/Example.dmg"));
                payload = readFile(root + "/Example.dmg");
            } else {
                EXPECT_TRUE(ZipBuilder::tree(bundle, root + "/Example.zip"));
                payload = readFile(root + "/Example.zip");
            }
        }
        if (!started) {
            if (!served)
                server.serve("/Example-2.0.zip", payload->toStdString(), 200);
            server.start();
            started = true;
        }
        Download& download = *release.download;
        download.url = server.url("/Example-2.0.zip");
        download.size = payload->size();
        download.sha256 = QString::fromLatin1(QCryptographicHash::hash(*payload, QCryptographicHash::Sha256).toHex());
        if (tweak)
            tweak(download);
        if (dropDownload)
            release.download.reset();

        Outcome outcome;
        const Updater::Phase record = [&outcome, this](const InstallPhase& phase) {
            outcome.phases << phase;
            if (onPhase)
                onPhase(phase);
        };
        try {
            const Updater updater(applications, trash);
            outcome.log = runSync(updater.install(app, release, record));
        } catch (const UpdateError& error) {
            outcome.refusal = error.description();
            outcome.needsPermission = error.needsPermission;
        }
        return outcome;
    }

    QStringList leftovers() const { return installLeftovers(applications); }

    std::optional<QString> installedVersion() const {
        const auto read = Scanner::read(installed, applications);
        return read ? read->version : std::nullopt;
    }

    QTemporaryDir dir;
    QString root = QDir(dir.path()).canonicalPath();
    QString applications, trash, installed;
    InstalledApp app;
    Release release;
    BundleBuilder next{root + "/next/Example.app"};
    std::optional<QByteArray> payload;
    bool dmg = false;
    bool served = false; // the test installed its own handler
    bool started = false;
    bool dropDownload = false;
    std::function<void(Download&)> tweak;
    std::function<void(const InstallPhase&)> onPhase;
    LoopbackServer server;
    QList<QProcess*> processes;
};

struct RefusalCase {
    const char* what;
    std::function<void(InstallTest&)> arrange;
    QString sentence;   // %APPS% is the applications folder, %SIZE% the payload's size
    bool early = false; // refused before the work folder: no phase, no request
    bool prefixOnly = false;
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.what; }

class Refusal : public InstallTest, public ::testing::WithParamInterface<RefusalCase> {};

const EdKey& ourKey() {
    static const EdKey key;
    return key;
}

const EdKey& strangerKey() {
    static const EdKey key;
    return key;
}

} // namespace

TEST_F(InstallTest, ASignedZipReplacesTheBundleAndTrashesTheOldCopy) {
    // Two older copies already in the trash: the old one takes the next free name.
    QDir().mkpath(trash + "/Example.app");
    QDir().mkpath(trash + "/Example 2.app");
    tweak = [](Download& download) { download.sha256 = download.sha256->toUpper(); };
    QStringList workFolders;
    onPhase = [&workFolders](const InstallPhase& phase) {
        if (phase != InstallPhase::downloading(0))
            return;
        for (const QFileInfo& info : QDir(QDir::tempPath()).entryInfoList({"quenlark-*"}, QDir::Dirs)) {
            struct stat st;
            ::stat(QFile::encodeName(info.filePath()).constData(), &st);
            workFolders << info.fileName() + QString(" %1").arg(st.st_mode & 07777, 0, 8);
        }
    };

    const Outcome outcome = attempt();

    ASSERT_FALSE(outcome.refusal) << outcome.refusal->toStdString();
    EXPECT_EQ(
        outcome.log,
        (QStringList{
            QString("Size matches: %1 bytes").arg(payload->size()),
            "SHA-256 matches the source",
            "Code signature valid and meets the installed app's designated requirement (team \u2068AAAAAAAAAA\u2069)",
            "Bundle \u2068com.example.tool\u2069 \u20682.0\u2069 is newer than \u20681.0\u2069",
            "Swapped in; the old copy moved to " + trash,
        }));
    EXPECT_EQ(installedVersion(), "2.0");
    EXPECT_EQ(SignatureChecks::validSignature(installed), "AAAAAAAAAA");
    const auto old = Scanner::read(trash + "/Example 3.app", trash);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->version, "1.0");
    EXPECT_EQ(leftovers(), QStringList());
    ASSERT_EQ(workFolders.size(), 1);
    EXPECT_TRUE(QRegularExpression("^quenlark-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12} 700$")
                    .match(workFolders.first())
                    .hasMatch())
        << workFolders.first().toStdString();

    // downloading 0, each fraction as it grows to 1, verifying, installing.
    ASSERT_GE(outcome.phases.size(), 4);
    EXPECT_EQ(outcome.phases.first(), InstallPhase::downloading(0));
    EXPECT_EQ(outcome.phases.at(outcome.phases.size() - 3), InstallPhase::downloading(1));
    EXPECT_EQ(outcome.phases.at(outcome.phases.size() - 2), InstallPhase::verifying());
    EXPECT_EQ(outcome.phases.last(), InstallPhase::installing());
    double last = 0;
    for (qsizetype i = 0; i < outcome.phases.size() - 2; ++i) {
        EXPECT_EQ(outcome.phases[i].kind(), InstallPhase::Kind::downloading);
        EXPECT_GE(outcome.phases[i].fraction(), last);
        last = outcome.phases[i].fraction();
    }
}

TEST_F(InstallTest, ALicensedDiskImageWithAnEdDSASignatureInstalls) {
    const EdKey key;
    app.edKey = key.publicBase64();
    dmg = true;
    tweak = [this, &key](Download& download) {
        download.size.reset();
        download.sha256.reset();
        download.edSignature = key.sign(*payload);
    };

    const Outcome outcome = attempt();

    ASSERT_FALSE(outcome.refusal) << outcome.refusal->toStdString();
    EXPECT_EQ(
        outcome.log,
        (QStringList{
            QString("Size matches: %1 bytes").arg(payload->size()), // from the server's length
            "EdDSA signature valid for \u2068Example\u2069's public key",
            "The disk image came with the developer's license agreement, which Quenlark accepted to open it: "
            "the developer's license terms apply to this app.",
            "Code signature valid and meets the installed app's designated requirement (team \u2068AAAAAAAAAA\u2069)",
            "Bundle \u2068com.example.tool\u2069 \u20682.0\u2069 is newer than \u20681.0\u2069",
            "Swapped in; the old copy moved to " + trash,
        }));
    EXPECT_EQ(installedVersion(), "2.0");
    EXPECT_EQ(Scanner::read(trash + "/Example.app", trash)->version, "1.0");
    EXPECT_EQ(leftovers(), QStringList());
}

TEST_F(InstallTest, AnAdHocInstalledCopyIsVouchedForByItsEdDSAKey) {
    BundleBuilder(installed).identifier(kTool).executableName("Example").signedBy(nullptr).build();
    app = *Scanner::read(installed, applications);
    const EdKey key;
    app.edKey = key.publicBase64();
    next.signedBy(&TestPki::shared().teamB);
    tweak = [this, &key](Download& download) { download.edSignature = key.sign(*payload); };

    const Outcome outcome = attempt();

    ASSERT_FALSE(outcome.refusal) << outcome.refusal->toStdString();
    EXPECT_TRUE(outcome.log.contains(
        "Code signature valid; the installed app is ad-hoc signed, so its EdDSA key vouched for the download"));
}

// Every refusal before the swap, each reached by its own case: the installed bundle stays as it
// was and neither the work folder nor a staging folder is left behind.
TEST_P(Refusal, LeavesTheInstalledBundleUntouched) {
    const RefusalCase& c = GetParam();
    SCOPED_TRACE(c.what);
    const QByteArray infoBefore = readFile(installed + "/Contents/Info.plist");
    c.arrange(*this);

    const Outcome outcome = attempt();

    ASSERT_TRUE(outcome.refusal) << "installed";
    QString sentence = c.sentence;
    sentence.replace("%APPS%", applications)
        .replace("%SIZE+1%", QString::number(payload->size() + 1))
        .replace("%SIZE%", QString::number(payload->size()));
    if (c.prefixOnly)
        EXPECT_TRUE(outcome.refusal->startsWith(sentence)) << outcome.refusal->toStdString();
    else
        EXPECT_EQ(*outcome.refusal, sentence);
    EXPECT_FALSE(outcome.needsPermission);
    EXPECT_EQ(readFile(installed + "/Contents/Info.plist"), infoBefore);
    EXPECT_EQ(installedVersion(), "1.0");
    EXPECT_FALSE(QFileInfo::exists(trash));
    EXPECT_EQ(leftovers(), QStringList());
    if (c.early) {
        EXPECT_TRUE(outcome.phases.isEmpty());
        EXPECT_EQ(server.requestCount(), 0);
    } else {
        EXPECT_EQ(outcome.phases.value(0), InstallPhase::downloading(0));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Install, Refusal,
    ::testing::ValuesIn(QList<RefusalCase>{
        {"a store release", [](InstallTest& t) { t.release.kind = SourceKind::appStore; },
         "Mac App Store doesn't offer a download Quenlark can install.", true},
        {"no download", [](InstallTest& t) { t.dropDownload = true; },
         "Sparkle doesn't offer a download Quenlark can install.", true},
        {"a bundle reached through a link",
         [](InstallTest& t) {
             QDir().rename(t.installed, t.root + "/Example.app");
             QFile::link(t.root + "/Example.app", t.installed);
         },
         "\u2068Example\u2069 isn't inside %APPS%.", true},
        {"a running copy", [](InstallTest& t) { t.startInstalledCopy(); },
         "\u2068Example\u2069 is running. Quit it first.", true},
        {"a key but no signature", [](InstallTest& t) { t.app.edKey = ourKey().publicBase64(); },
         "\u2068Example\u2069 only accepts EdDSA-signed updates, and this one isn't signed.", true},
        {"neither team nor key",
         [](InstallTest& t) {
             BundleBuilder(t.installed).identifier(kTool).executableName("Example").unsignedCode().build();
             t.app = *Scanner::read(t.installed, t.applications);
         },
         "\u2068Example\u2069 isn't signed by a developer, so Quenlark can't confirm the download is genuine. Download "
         "it from its website.",
         true},
        {"not a web address",
         [](InstallTest& t) { t.tweak = [](Download& d) { d.url = QUrl("ftp://127.0.0.1/x.zip"); }; },
         "The download link isn't a web address."},
        {"no scheme", [](InstallTest& t) { t.tweak = [](Download& d) { d.url = QUrl("x.zip"); }; },
         "The download link isn't a web address."},
        {"missing on the server",
         [](InstallTest& t) { t.tweak = [&t](Download& d) { d.url = t.server.url("/gone.zip"); }; },
         "Download failed: HTTP 404."},
        {"another length announced", [](InstallTest& t) { t.tweak = [](Download& d) { d.size = *d.size + 1; }; },
         "The server is sending %SIZE% bytes, but the source says the download is %SIZE+1%. Stopped."},
        {"an empty file",
         [](InstallTest& t) {
             t.payload = QByteArray();
             t.tweak = [](Download& d) {
                 d.size.reset();
                 d.sha256.reset();
             };
         },
         "The download is empty."},
        {"shorter than the source says, without a length",
         [](InstallTest& t) {
             t.payload = QByteArray("PK\x03\x04 truncated");
             t.served = true;
             t.server.http().Get("/Example-2.0.zip", [](const httplib::Request&, httplib::Response& res) {
                 res.set_chunked_content_provider("application/zip", [](size_t, httplib::DataSink& sink) {
                     sink.write("PK\x03\x04 truncated", 14);
                     sink.done();
                     return true;
                 });
             });
             t.tweak = [](Download& d) { d.size = 1000; };
         },
         "The download is 14 bytes but should be 1000. It may be incomplete or corrupted."},
        {"another digest", [](InstallTest& t) { t.tweak = [](Download& d) { d.sha256 = QString(64, '0'); }; },
         "SHA-256 checksum mismatch. The download is corrupted or not the file the source published."},
        {"a signature that isn't Base64",
         [](InstallTest& t) {
             t.app.edKey = ourKey().publicBase64();
             t.tweak = [](Download& d) { d.edSignature = "not base64!"; };
         },
         "The EdDSA key or signature is malformed."},
        {"a key of the wrong length",
         [](InstallTest& t) {
             t.app.edKey = QByteArray(31, 'k').toBase64();
             t.tweak = [&t](Download& d) { d.edSignature = ourKey().sign(*t.payload); };
         },
         "The EdDSA key or signature is malformed."},
        {"a signature by another key",
         [](InstallTest& t) {
             t.app.edKey = ourKey().publicBase64();
             t.tweak = [&t](Download& d) { d.edSignature = strangerKey().sign(*t.payload); };
         },
         "EdDSA signature doesn't match \u2068Example\u2069's public key. The download is corrupted or was tampered "
         "with."},
        {"neither zip nor image", [](InstallTest& t) { t.payload = QByteArray(600, 'x'); },
         "Unsupported download format. Quenlark installs from .zip and .dmg only."},
        {"a zip without an app",
         [](InstallTest& t) {
             ZipBuilder().file("readme.txt", "nothing").write(t.root + "/empty.zip");
             t.payload = readFile(t.root + "/empty.zip");
         },
         "The download doesn't contain an app."},
        {"a link out of the archive",
         [](InstallTest& t) {
             ZipBuilder()
                 .file("Example.app/Contents/Info.plist", "x")
                 .symlink("Example.app/Contents/escape", "../../../etc")
                 .write(t.root + "/escape.zip");
             t.payload = readFile(t.root + "/escape.zip");
         },
         "The download contains a link to a location outside the app (escape \u2192 ../../../etc). Refusing to "
         "install."},
        {"changed after signing",
         [](InstallTest& t) {
             t.next.resource("Resources/notes.txt", "signed");
             t.next.build();
             writeFile(t.root + "/next/Example.app/Contents/Resources/notes.txt", "changed");
             ZipBuilder::tree(t.root + "/next/Example.app", t.root + "/changed.zip");
             t.payload = readFile(t.root + "/changed.zip");
         },
         "The new version's code signature is invalid: ", false, true},
        {"another developer", [](InstallTest& t) { t.next.signedBy(&TestPki::shared().teamB); },
         "The download isn't signed by the developer of the installed \u2068Example\u2069 (it doesn't meet the "
         "installed app's "
         "designated requirement; the download is signed by \u2068BBBBBBBBBB\u2069). Refusing to install."},
        {"another developer after the installed copy changed",
         [](InstallTest& t) {
             // The installed copy's own seal no longer holds, yet it still names its developer.
             QDir().mkpath(t.installed + "/Contents/Resources");
             writeFile(t.installed + "/Contents/Resources/added.txt", "not sealed");
             t.app.edKey = ourKey().publicBase64();
             t.next.signedBy(&TestPki::shared().teamB);
             t.tweak = [&t](Download& d) { d.edSignature = ourKey().sign(*t.payload); };
         },
         "The download isn't signed by the developer of the installed \u2068Example\u2069 (it doesn't meet the "
         "installed app's "
         "designated requirement; the download is signed by \u2068BBBBBBBBBB\u2069). Refusing to install."},
        {"another app",
         [](InstallTest& t) {
             // The designated requirement names the identifier: only a key-vouched install gets this far.
             BundleBuilder(t.installed).identifier(kTool).executableName("Example").signedBy(nullptr).build();
             t.app.edKey = ourKey().publicBase64();
             t.next.identifier("com.example.other");
             t.tweak = [&t](Download& d) { d.edSignature = ourKey().sign(*t.payload); };
         },
         "The download contains a different app, not \u2068com.example.tool\u2069."},
        {"the same version", [](InstallTest& t) { t.next.info("CFBundleShortVersionString", "1.0"); },
         "The download is version \u20681.0\u2069, not newer than the installed \u20681.0\u2069. Refusing to "
         "downgrade."},
        {"an Intel-only build", [](InstallTest& t) { t.next.architectures({0x01000007}); },
         "The download doesn't include a build for this Mac's processor."},
        {"opened during the download",
         [](InstallTest& t) {
             t.onPhase = [&t](const InstallPhase& phase) {
                 if (phase == InstallPhase::downloading(0))
                     t.startInstalledCopy();
             };
         },
         "\u2068Example\u2069 was opened again. Quit it and retry."},
    }));

TEST_F(InstallTest, ARefusedExchangeIsMappedAndLeavesTheBundleInPlace) {
    RefusingOps ops;
    FileOps::setForTest(&ops);
    const QList<std::tuple<int, QString, bool>> cases = {
        {EPERM,
         "macOS blocked Quenlark from changing \u2068Example\u2069. Turn on Quenlark in System Settings \u203A Privacy "
         "& "
         "Security \u203A App Management, then try again.",
         true},
        {EACCES,
         "\u2068Example\u2069 belongs to another user or to the system. Update or remove it as an administrator.",
         false},
    };
    for (const auto& [error, sentence, needsPermission] : cases) {
        ops.exchangeError = error;
        const Outcome outcome = attempt();
        ASSERT_TRUE(outcome.refusal);
        EXPECT_EQ(*outcome.refusal, sentence);
        EXPECT_EQ(outcome.needsPermission, needsPermission);
        EXPECT_EQ(installedVersion(), "1.0");
        EXPECT_EQ(leftovers(), QStringList()) << "staging and work folders removed";
    }
}

TEST_F(InstallTest, AnOldCopyThatCantBeTrashedIsKeptAndSaidSo) {
    RefusingOps ops;
    ops.moveError = EACCES;
    FileOps::setForTest(&ops);

    const Outcome outcome = attempt();

    ASSERT_FALSE(outcome.refusal) << outcome.refusal->toStdString();
    EXPECT_EQ(installedVersion(), "2.0") << "the new version is in place";
    const QStringList staging = QDir(applications).entryList({".quenlark-*"}, QDir::Dirs | QDir::Hidden);
    ASSERT_EQ(staging.size(), 1);
    EXPECT_TRUE(QRegularExpression("^\\.quenlark-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$")
                    .match(staging.first())
                    .hasMatch());
    const QString kept = applications + "/" + staging.first() + "/Example.app";
    EXPECT_EQ(Scanner::read(kept, applications)->version, "1.0");
    EXPECT_EQ(outcome.log.last(), "Swapped in; the old copy couldn't be moved to " + trash + " and is kept at " + kept +
                                      " (You don't have permission to change the file.)");
}

TEST(Updater, TheApplicationsFolderIsResolvedOrRefused) {
    QTemporaryDir dir;
    const QString real = QDir(dir.path()).canonicalPath() + "/Applications";
    QDir().mkpath(real);
    QFile::link(real, dir.filePath("Linked"));

    EXPECT_EQ(Updater(dir.filePath("Linked/../Linked"), std::nullopt).applications, real);
    try {
        Updater(dir.filePath("missing"), dir.filePath("Trash"));
        FAIL();
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.description(), dir.filePath("missing") + " doesn't exist.");
        EXPECT_FALSE(error.needsPermission || error.final);
    }
}
