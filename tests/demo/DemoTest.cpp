#include "DemoSandbox.h"
#include "QtPrinters.h"
#include "RunSync.h"
#include "TestEnvironment.h"

#include "install/Leftovers.h"
#include "install/PackageSigner.h"
#include "install/SignatureChecks.h"
#include "install/Updater.h"
#include "model/Scanner.h"
#include "model/Verdict.h"
#include "platform/gui/BundleIcon.h"
#include "platform/system/PropertyList.h"
#include "platform/system/ToolPaths.h"
#include "sources/BrewIndex.h"
#include "sources/Checker.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString versionOf(const QString& bundle) {
    const auto info = PropertyList::dictionaryFromFile(bundle + u"/Contents/Info.plist"_s);
    return info ? info->value(u"CFBundleShortVersionString"_s).toString() : QString();
}

// The demo's update server answers what each source would, and these are the verdicts on it.
struct Verdicts {
    std::map<QString, Status::Kind> kinds;
    std::map<QString, QString> offered;
};

Verdicts check(const DemoSandbox& demo, const QStringList& bundles) {
    const Endpoints endpoints = Endpoints::mock(demo.mock());
    const Checker checker(endpoints, std::make_shared<BrewIndex>(endpoints.caskCatalogue(), std::nullopt));
    Verdicts verdicts;
    for (const QString& bundle : bundles) {
        const auto app = Scanner::read(bundle, QFileInfo(bundle).path());
        if (!app) {
            ADD_FAILURE() << "unreadable " << bundle.toStdString();
            continue;
        }
        const Checker::Check result = runSync(checker.check(*app));
        verdicts.kinds[app->name] = Verdict::status(*app, result.release, result.attempts, {}, {}).kind();
        if (result.release && result.release->version)
            verdicts.offered[app->name] = *result.release->version;
    }
    return verdicts;
}

} // namespace

// The demo takes a folder only when it is new, empty or a sandbox of its own, and only one demo
// at a time: anything else is refused before a file is touched.
TEST(DemoRoot, RemovesOnlyASandboxOfItsOwnOneDemoAtATime) {
    const QString home = TestEnvironment::root() + u"/root-test"_s;
    const QString documents = home + u"/Documents"_s;
    QDir().mkpath(documents);
    QFile thesis(documents + u"/thesis.txt"_s);
    ASSERT_TRUE(thesis.open(QIODevice::WriteOnly) && thesis.write("four years of work") == 18);
    thesis.close();
    {
        DemoSandbox demo(documents);
        EXPECT_THROW(demo.check(), std::runtime_error);
        EXPECT_THROW(demo.make(), std::runtime_error);
    }
    EXPECT_EQ(readFile(documents + u"/thesis.txt"_s), "four years of work");

    const QString root = home + u"/sandbox"_s;
    {
        DemoSandbox first(root);
        ASSERT_NO_THROW(first.make());
        DemoSandbox second(root);
        EXPECT_THROW(second.check(), std::runtime_error);
        EXPECT_THROW(second.make(), std::runtime_error);
        EXPECT_EQ(versionOf(first.applications() + u"/Lumen.app"_s), u"1.4.0"_s) << "the running demo lost its files";
        // Something in the sandbox leads out of it; making the sandbox afresh must not follow it.
        ASSERT_TRUE(QFile::link(documents, first.applications() + u"/Documents"_s));
        ASSERT_TRUE(QFile::link(documents + u"/thesis.txt"_s, root + u"/thesis.txt"_s));
    }
    DemoSandbox again(root);
    ASSERT_NO_THROW(again.make());
    EXPECT_FALSE(QFileInfo::exists(again.applications() + u"/Documents"_s));
    EXPECT_EQ(readFile(documents + u"/thesis.txt"_s), "four years of work");
}

class DemoData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        demo_ = new DemoSandbox(TestEnvironment::root() + u"/demo"_s);
        demo_->make(QStringLiteral(QUENLARK_BUNDLE));
    }
    static void TearDownTestSuite() {
        delete demo_;
        demo_ = nullptr;
    }
    static DemoSandbox* demo_;
};
DemoSandbox* DemoData::demo_ = nullptr;

// What the README promises of the demo: a check finds the updates; every offered version, once
// installed, still names its source and checks as current; each app carries its own icon; the
// leftover search finds files of the samples that leave some; the package installs through the
// administrator step.
TEST_F(DemoData, IsWhatTheReadmeSays) {
    const QString applications = demo_->applications();
    QStringList installed;
    for (const QString& name : DemoSandbox::sampleNames())
        installed << applications + u'/' + name + u".app"_s;
    const Verdicts before = check(*demo_, installed);
    for (const QString& name : DemoSandbox::sampleNames()) {
        const Status::Kind expected = DemoSandbox::namesWithUpdates().contains(name) ? Status::Kind::update
                                      : name == u"Driftwood"_s                       ? Status::Kind::cantVerify
                                                                                     : Status::Kind::upToDate;
        EXPECT_EQ(before.kinds.at(name), expected) << name.toStdString();
    }
    // The sandbox's own Quenlark, signed by the demo's PKI, is current.
    const QString self = applications + u"/Quenlark.app"_s;
    EXPECT_EQ(check(*demo_, {self}).kinds.at(u"Quenlark"_s), Status::Kind::upToDate);
    EXPECT_EQ(Scanner::read(self, applications)->team, u"AAAAAAAAAA"_s);

    // The versions the server offers, as they are once installed (the store's app updates
    // through the store, so it has none here).
    QStringList updated;
    for (const QString& name : DemoSandbox::namesWithUpdates())
        if (name != u"Mosaic"_s)
            updated << demo_->root() + u"/work/"_s + name + u'/' + name + u".app"_s;
    const Verdicts after = check(*demo_, updated);
    for (const QString& bundle : updated) {
        const QString name = QFileInfo(bundle).completeBaseName();
        EXPECT_EQ(after.kinds.at(name), Status::Kind::upToDate) << name.toStdString();
        EXPECT_EQ(after.offered.at(name), versionOf(bundle)) << name.toStdString();
    }

    const QImage generic = BundleIcon::generic(64);
    QList<QImage> icons;
    for (const QString& bundle : installed + updated) {
        const QImage icon = BundleIcon::read(bundle, 64);
        EXPECT_NE(icon, generic) << bundle.toStdString();
        EXPECT_FALSE(icons.contains(icon) && !bundle.contains(u"/work/"_s)) << "two samples share an icon";
        icons << icon;
    }

    QSet<QString> ids;
    for (const QString& bundle : installed)
        ids << Scanner::read(bundle, applications)->bundleID;
    const QString library = demo_->root() + u"/Library"_s;
    const auto pebble = Scanner::read(applications + u"/Pebble.app"_s, applications);
    const QList<Leftover> left = Leftovers::find(*pebble, library, {}, ids);
    QStringList found;
    for (const Leftover& item : left)
        found << QDir(library).relativeFilePath(item.url);
    EXPECT_EQ(found, (QStringList{u"Application Support/Pebble"_s, u"Caches/com.quenlark.demo.pebble"_s,
                                  u"LaunchAgents/com.quenlark.demo.pebble.helper.plist"_s,
                                  u"Preferences/com.quenlark.demo.pebble.plist"_s,
                                  u"Saved Application State/com.quenlark.demo.pebble.savedState"_s}));
    const auto harbor = Scanner::read(applications + u"/Harbor.app"_s, applications);
    EXPECT_EQ(
        Leftovers::find(*harbor, library, {u"~/Library/Preferences/com.quenlark.demo.harbor.plist"_s}, ids).size(), 1);

    // The package as the administrator step takes it, without elevation as the demo runs it.
    qputenv("QUENLARK_ANCHORS", QFile::encodeName(demo_->anchors()));
    qputenv("QUENLARK_ELEVATION", "unprivileged");
    const QString work = demo_->root() + u"/package-work"_s;
    QDir().mkpath(work);
    ASSERT_TRUE(QFile::copy(demo_->served() + u"/files/Ledger-4.2.pkg"_s, work + u"/Ledger-4.2.pkg"_s));
    const auto package = Updater::package(work + u"/Ledger-4.2.pkg"_s, u"Ledger-4.2.pkg"_s, work);
    ASSERT_TRUE(package);
    const QString team = Updater::checkPackage(Updater::packageSigner(*package), u"Ledger"_s, std::nullopt);
    const QString line =
        Updater::rootCommand(*package, SignatureChecks::sha256(*package), team, ToolPaths::privateTmp, false);
    EXPECT_NO_THROW(runSync(Updater::runAppleScript(Updater::adminScript(line, u"Ledger"_s))));
    EXPECT_EQ(versionOf(applications + u"/Ledger.app"_s), u"4.2"_s);
    qunsetenv("QUENLARK_ANCHORS");
    qunsetenv("QUENLARK_ELEVATION");
}

// The demo talks to its own server only: every address its data names is there, but for names
// that are never asked: the schemas of property lists, appcasts and icons, and the repository a
// cask's homepage names, which the GitHub source asks the demo's server about.
TEST_F(DemoData, NamesNoServerButItsOwn) {
    static const QRegularExpression address(uR"(https?://[^\s"'<>]+)"_s);
    const QStringList names{u"http://www.apple.com/DTDs/PropertyList-1.0.dtd"_s,
                            u"http://www.andymatuschak.org/xml-namespaces/sparkle"_s, u"http://www.w3.org/2000/svg"_s,
                            u"https://github.com/quenlark-demo/quill"_s};
    const QString own = demo_->mock().toString();
    QStringList foreign;
    int named = 0;
    QDirIterator walk(demo_->root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QByteArray bytes = readFile(walk.next());
        if (bytes.startsWith("\x7f"
                             "ELF"))
            continue; // Quenlark's own program
        for (const auto& match : address.globalMatch(QString::fromLatin1(bytes))) {
            ++named;
            if (!match.captured().startsWith(own) && !names.contains(match.captured()))
                foreign << walk.filePath() + u": "_s + match.captured();
        }
    }
    EXPECT_GT(named, 10);
    EXPECT_EQ(foreign, QStringList());
}

namespace {

// Free memory that nothing will touch again is given back: what grows now is what is kept.
qint64 peakKilobytes() {
    QFile status(u"/proc/self/status"_s);
    status.open(QIODevice::ReadOnly);
    const auto match = QRegularExpression(uR"(VmHWM:\s+(\d+))"_s).match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

// Posts `size` bytes of body to the server without holding them; the status line of the answer.
std::string post(int port, qint64 size) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return "no connection";
    }
    const std::string head =
        "POST /files/upload HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/octet-stream\r\n"
        "Content-Length: " +
        std::to_string(size) + "\r\n\r\n";
    ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    static const std::string chunk(1 << 20, 'x');
    for (qint64 sent = 0; sent < size;) {
        const ssize_t n = ::send(fd, chunk.data(), size_t(std::min<qint64>(chunk.size(), size - sent)), MSG_NOSIGNAL);
        if (n <= 0)
            break; // the server closed: it read no more
        sent += n;
    }
    char answer[64] = {};
    const ssize_t got = ::recv(fd, answer, sizeof answer - 1, 0);
    ::close(fd);
    return got > 0 ? std::string(answer, size_t(got)).substr(0, std::string(answer).find('\r')) : "no answer";
}

} // namespace

// Nothing the demo serves takes a body, so large posts cost the server nothing it keeps.
TEST_F(DemoData, LargePostsCostTheServerNothing) {
    QFile clear(u"/proc/self/clear_refs"_s);
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        GTEST_SKIP() << "this kernel can't reset the peak memory mark";
    clear.close();
    const qint64 start = peakKilobytes();
    const int port = demo_->mock().port();
    for (int i = 0; i < 10; ++i)
        EXPECT_NE(post(port, 26 << 20), "HTTP/1.1 200 OK");
    EXPECT_LT(peakKilobytes() - start, 16 * 1024) << "kilobytes held at the peak";
}

namespace {

// The Quenlark that `pid` started (0 while there is none): the demo runs tools of its own before.
pid_t quenlarkOf(pid_t pid) {
    for (const QString& task : QDir(u"/proc/%1/task"_s.arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QByteArray& child : readFile(u"/proc/%1/task/%2/children"_s.arg(pid).arg(task)).split(' '))
            if (const pid_t id = pid_t(child.trimmed().toInt());
                id > 0 && readFile(u"/proc/%1/cmdline"_s.arg(id)).contains("/Quenlark.app/Contents/MacOS/quenlark"))
                return id;
    return 0;
}

// Whether the process is gone: reaped here (this test adopts orphans) or by its parent.
bool gone(pid_t pid) {
    int status = 0;
    const pid_t reaped = ::waitpid(pid, &status, WNOHANG);
    if (reaped == pid)
        return true;
    if (reaped == 0)
        return false;
    return !QFileInfo::exists(u"/proc/%1"_s.arg(pid));
}

// Everything under the home with its size and time: what a run changed there shows.
QStringList homeListing() {
    QStringList entries;
    QDirIterator walk(QDir::homePath(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    while (walk.hasNext())
        entries << walk.next() + u' ' + QString::number(walk.fileInfo().size()) + u' ' +
                       walk.fileInfo().lastModified().toString(Qt::ISODateWithMs);
    entries.sort();
    return entries;
}

bool waitFor(const std::function<bool()>& done, int seconds) {
    QDeadlineTimer deadline(seconds * 1000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

} // namespace

// However the demo ends (a signal it can answer, one it can't, or the end of the script that
// started it through a wrapper), Quenlark does not stay behind, and it leaves the home as it was.
TEST(DemoRun, QuenlarkEndsWithTheDemo) {
    // Orphans come here, so that one left behind is seen and reaped.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const QStringList home = homeListing();
    enum class Ending { killed, terminated, ownerKilled };
    for (const Ending ending : {Ending::killed, Ending::terminated, Ending::ownerKilled}) {
        SCOPED_TRACE(int(ending));
        QProcess owner;
        QStringList arguments{u"--app"_s, QStringLiteral(QUENLARK_BUNDLE), u"--root"_s,
                              TestEnvironment::root() + u"/run-%1"_s.arg(int(ending))};
        if (ending == Ending::ownerKilled) {
            owner.start(u"sleep"_s, {u"600"_s});
            ASSERT_TRUE(owner.waitForStarted());
            arguments << u"--end-with"_s << QString::number(owner.processId());
        }
        QProcess demo;
        demo.setProcessChannelMode(QProcess::ForwardedChannels);
        demo.start(QStringLiteral(QUENLARK_DEMO), arguments << u"--"_s << u"--skip-onboarding"_s);
        ASSERT_TRUE(demo.waitForStarted());
        pid_t quenlark = 0;
        ASSERT_TRUE(waitFor([&] { return (quenlark = quenlarkOf(pid_t(demo.processId()))) != 0; }, 120));
        // Up and running for a moment, so that the ending is the demo's and not a failed start.
        QThread::sleep(2);
        ASSERT_FALSE(gone(quenlark));

        if (ending == Ending::ownerKilled)
            ::kill(pid_t(owner.processId()), SIGKILL);
        else
            ::kill(pid_t(demo.processId()), ending == Ending::killed ? SIGKILL : SIGTERM);
        const bool ended = waitFor([&] { return gone(quenlark); }, 20);
        EXPECT_TRUE(ended) << "Quenlark still runs";
        if (!ended) {
            ::kill(quenlark, SIGKILL);
            ::waitpid(quenlark, nullptr, 0);
        }
        EXPECT_TRUE(demo.waitForFinished(20000));
        if (ending == Ending::terminated) {
            EXPECT_EQ(demo.exitCode(), 128 + SIGTERM);
        }
        owner.kill();
        owner.waitForFinished();
    }
    EXPECT_EQ(homeListing(), home);
}
