#include "platform/desktop/SingleInstance.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString bundleA = QStringLiteral("/opt/a/Quenlark.app");
const QString bundleB = QStringLiteral("/opt/b/Quenlark.app");

// A running copy that owns the socket, serving on a thread of its own so that this thread can
// play the later launch, which blocks as main() does.
class Owner {
public:
    Owner(QString path, QString bundle) {
        thread_.reset(QThread::create([this, path, bundle] {
            SingleInstance owner(path, bundle, QStringLiteral("2.0"));
            QEventLoop loop;
            QObject::connect(&owner, &SingleInstance::argumentsReceived, [this](const QStringList& args) {
                QMutexLocker lock(&mutex_);
                received_.append(args);
            });
            QObject::connect(&owner, &SingleInstance::quitRequested, [this] { ++quits_; });
            QObject::connect(&owner, &SingleInstance::activateRequested, [this] { ++activations_; });
            owned_ = owner.claim({}) == SingleInstance::Outcome::Owner;
            loop_ = &loop;
            ready_ = true;
            loop.exec();
        }));
        thread_->start();
        while (!ready_)
            QThread::msleep(1);
    }
    ~Owner() { stop(); }

    void stop() {
        if (!thread_ || thread_->isFinished())
            return;
        QMetaObject::invokeMethod(loop_, &QEventLoop::quit, Qt::QueuedConnection);
        thread_->wait();
    }
    bool owned() const { return owned_; }
    QList<QStringList> received() {
        QMutexLocker lock(&mutex_);
        return received_;
    }
    int quits() const { return quits_; }
    int activations() const { return activations_; }

private:
    std::unique_ptr<QThread> thread_;
    std::atomic<bool> ready_{false};
    std::atomic<bool> owned_{false};
    std::atomic<int> quits_{0};
    std::atomic<int> activations_{0};
    QEventLoop* loop_ = nullptr;
    QMutex mutex_;
    QList<QStringList> received_;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    QString path = QDir::tempPath() + QStringLiteral("/instance-") +
                   QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
};

// The owner acknowledges before it acts, so give its thread a moment to act.
template <typename Pred>
bool eventually(Pred pred) {
    for (int i = 0; i < 200 && !pred(); ++i)
        QThread::msleep(5);
    return pred();
}

} // namespace

TEST_F(SingleInstanceTest, ALaterLaunchOfTheSameBundleHandsItsArgumentsOver) {
    Owner owner(path, bundleA);
    ASSERT_TRUE(owner.owned());
    const QStringList args{QStringLiteral("--background"), QStringLiteral("com.example.app:/oauth?code=1&state=x")};

    SingleInstance later(path, bundleA, QStringLiteral("2.0"));
    EXPECT_EQ(later.claim(args), SingleInstance::Outcome::HandedOver);
    EXPECT_FALSE(later.owns());
    ASSERT_TRUE(eventually([&] { return !owner.received().isEmpty(); }));
    EXPECT_EQ(owner.received(), QList<QStringList>{args});

    // An empty launch is a reopen: it arrives as no arguments at all.
    SingleInstance again(path, bundleA, QString());
    EXPECT_EQ(again.claim({}), SingleInstance::Outcome::HandedOver);
    ASSERT_TRUE(eventually([&] { return owner.received().size() == 2; }));
    EXPECT_EQ(owner.received().last(), QStringList());
}

TEST_F(SingleInstanceTest, ACopyFromAnotherBundleRunsBesideAndCanAskTheOwner) {
    Owner owner(path, bundleA);
    SingleInstance other(path, bundleB, QStringLiteral("3.0"));
    EXPECT_EQ(other.claim({QStringLiteral("--x")}), SingleInstance::Outcome::Beside);
    EXPECT_FALSE(other.owns());
    ASSERT_TRUE(other.peer());
    EXPECT_EQ(other.peer()->bundle, bundleA);
    EXPECT_EQ(other.peer()->version, QStringLiteral("2.0"));
    EXPECT_EQ(other.peer()->pid, QCoreApplication::applicationPid());
    EXPECT_TRUE(owner.received().isEmpty()) << "arguments go only to a copy of the same bundle";

    EXPECT_TRUE(other.ask(SingleInstance::Request::Activate));
    EXPECT_TRUE(other.ask(SingleInstance::Request::Quit));
    EXPECT_TRUE(eventually([&] { return owner.quits() == 1 && owner.activations() == 1; }));

    EXPECT_FALSE(other.takeOver()) << "the owner still listens";
    owner.stop();
    EXPECT_TRUE(other.takeOver());
    EXPECT_TRUE(other.owns());
}

TEST_F(SingleInstanceTest, ASocketLeftByACrashedCopyIsTakenOver) {
    // A bound socket whose process is gone: the file stays, nobody accepts.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    ASSERT_LT(size_t(name.size()), sizeof address.sun_path);
    memcpy(address.sun_path, name.constData(), size_t(name.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(path));

    SingleInstance launch(path, bundleA, QString());
    EXPECT_EQ(launch.claim({}), SingleInstance::Outcome::Owner);
    EXPECT_TRUE(launch.owns());

    SingleInstance second(path, bundleB, QString());
    EXPECT_EQ(second.claim({}), SingleInstance::Outcome::Beside) << "a live owner is never displaced";
}

TEST(SingleInstancePath, OnePerUserAndSandboxInAFolderOnlyTheUserCanReach) {
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QString uid = QString::number(getuid());
    const QString name = QStringLiteral("/com.quenlark.Quenlark.") + uid;
    const QString temporary = QDir::tempPath() + QStringLiteral("/quenlark-") + uid;
    const QString cache =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/quenlark-") + uid;
    const QString runtime = QDir::tempPath() + QStringLiteral("/runtime");
    const QString elsewhere = QDir::tempPath() + QStringLiteral("/elsewhere");
    const auto folder = [](const QString& path, mode_t mode) {
        QDir().mkpath(path);
        ::chmod(QFile::encodeName(path).constData(), mode);
    };
    const auto link = [](const QString& target, const QString& path) { QFile::link(target, path); };
    folder(elsewhere, 0700);

    struct Row {
        const char* what;
        std::function<void()> arrange;
        std::optional<QString> runtime;
        QString expected;
    };
    const Row rows[] = {
        {"the runtime folder", [&] { folder(runtime, 0700); }, runtime, runtime + name},
        {"an open runtime folder", [&] { folder(runtime, 0755); }, runtime, temporary + name},
        {"a link for the runtime folder", [&] { link(elsewhere, runtime); }, runtime, temporary + name},
        {"no runtime folder", [] {}, std::nullopt, temporary + name},
        {"the temporary one taken by a link", [&] { link(elsewhere, temporary); }, std::nullopt, cache + name},
        {"the temporary one open to all", [&] { folder(temporary, 0777); }, std::nullopt, cache + name},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const QString& path : {runtime, temporary, cache}) {
            if (QFileInfo(path).isSymLink())
                QFile::remove(path);
            else
                QDir(path).removeRecursively();
        }
        row.arrange();
        if (row.runtime)
            qputenv("XDG_RUNTIME_DIR", row.runtime->toUtf8());
        else
            qunsetenv("XDG_RUNTIME_DIR");
        const QString path = SingleInstance::socketPath(std::nullopt);
        EXPECT_EQ(path, row.expected);
        struct stat info {};
        ASSERT_EQ(::lstat(QFile::encodeName(QFileInfo(path).path()).constData(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_EQ(info.st_uid, getuid());
    }
    EXPECT_TRUE(QFileInfo(temporary).isDir() && !QFileInfo(temporary).isSymLink()) << "an open folder is left as found";

    // One socket per sandbox folder, however long its name.
    const QString plain = SingleInstance::socketPath(std::nullopt);
    const QString first = SingleInstance::socketPath(QStringLiteral("/home/u/demo/Applications"));
    EXPECT_TRUE(first.startsWith(plain + QLatin1Char('.')));
    EXPECT_NE(first, SingleInstance::socketPath(QStringLiteral("/home/u/other/Applications")));
    EXPECT_EQ(first, SingleInstance::socketPath(QStringLiteral("/home/u/demo/Applications")));
    EXPECT_EQ(SingleInstance::socketPath(QString(500, u'x')).size(), first.size());
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    if (savedRuntime.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
}

namespace {

// Another user of the machine, played through setpriv; only root can become one.
class SingleInstanceStranger : public ::testing::Test {
protected:
    void SetUp() override {
        setpriv_ = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (getuid() != 0 || setpriv_.isEmpty())
            GTEST_SKIP() << "playing a second user needs root and setpriv";
        // A shared temporary folder as /tmp is: anyone may add, only owners remove.
        QByteArray pattern("/tmp/quenlark-shared-XXXXXX");
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        ::chmod(pattern.constData(), 01777);
        shared = QString::fromLocal8Bit(pattern);
        peer_ = shared + QStringLiteral("/peer");
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUENLARK_INSTANCE_PEER), peer_));
        ::chmod(QFile::encodeName(peer_).constData(), 0755);
        savedTmp_ = qgetenv("TMPDIR");
        savedRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", pattern);
        qunsetenv("XDG_RUNTIME_DIR");
    }
    void TearDown() override {
        if (shared.isEmpty())
            return;
        for (const auto& process : strangers_) {
            process->kill();
            process->waitForFinished();
        }
        qputenv("TMPDIR", savedTmp_);
        if (!savedRuntime_.isEmpty())
            qputenv("XDG_RUNTIME_DIR", savedRuntime_);
        QDir(shared).removeRecursively();
    }

    QStringList asStranger(const QStringList& command) const {
        return QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                           QStringLiteral("--clear-groups"), QStringLiteral("--")} +
               command;
    }
    // Runs a command as the stranger to its end; its output.
    QByteArray run(const QStringList& command) const {
        QProcess process;
        process.start(setpriv_, asStranger(command));
        process.waitForFinished(10000);
        return process.readAllStandardOutput();
    }
    // Starts the peer listening as the stranger; it prints what it is told.
    QProcess* listen(const QStringList& sockets) {
        auto process = std::make_unique<QProcess>();
        process->start(setpriv_, asStranger(QStringList{peer_, QStringLiteral("listen"), bundleA} + sockets));
        process->waitForReadyRead(10000);
        EXPECT_EQ(process->readLine(), "ready\n") << process->readAllStandardError().toStdString();
        strangers_.push_back(std::move(process));
        return strangers_.back().get();
    }
    // What the stranger heard, given a moment to hear it.
    static QByteArray heard(QProcess* stranger) {
        stranger->waitForReadyRead(300);
        return stranger->readAllStandardOutput();
    }

    QString shared;
    const QStringList redirect{QStringLiteral("com.example.app:/oauth?code=secret&state=s1")};

private:
    QString setpriv_;
    QString peer_;
    QByteArray savedTmp_;
    QByteArray savedRuntime_;
    std::vector<std::unique_ptr<QProcess>> strangers_;
};

} // namespace

TEST_F(SingleInstanceStranger, AnotherUsersSocketIsNeverHandedAnything) {
    const QString uid = QString::number(getuid());
    const QString name = QStringLiteral("/com.quenlark.Quenlark.") + uid;

    // The stranger takes the user's folder name in the shared temporary folder before the user
    // ever runs, and listens inside it and beside it.
    const QString squatted = shared + QStringLiteral("/quenlark-") + uid;
    run({QStringLiteral("mkdir"), QStringLiteral("-m"), QStringLiteral("0777"), squatted});
    ASSERT_TRUE(QFileInfo(squatted).isDir());
    QProcess* squatter = listen({squatted + name, shared + name});
    const QString path = SingleInstance::socketPath(std::nullopt);
    EXPECT_FALSE(path.startsWith(shared)) << path.toStdString();
    {
        SingleInstance launch(path, bundleA, QStringLiteral("2.0"));
        EXPECT_EQ(launch.claim(redirect), SingleInstance::Outcome::Owner);
        EXPECT_TRUE(launch.owns());
    }
    EXPECT_EQ(heard(squatter), QByteArray());

    // A stranger's socket under the user's own name, made to look like the user's: the peer's
    // credentials give it away, and it is replaced.
    run({QStringLiteral("rm"), QStringLiteral("-rf"), squatted});
    const QString own = SingleInstance::socketPath(std::nullopt);
    ASSERT_TRUE(own.startsWith(squatted)) << own.toStdString();
    QProcess* planted = listen({shared + QStringLiteral("/planted")});
    ASSERT_EQ(::rename(QFile::encodeName(shared + QStringLiteral("/planted")).constData(),
                       QFile::encodeName(own).constData()),
              0);
    ASSERT_EQ(::lchown(QFile::encodeName(own).constData(), getuid(), getgid()), 0);
    SingleInstance launch(own, bundleA, QStringLiteral("2.0"));
    EXPECT_EQ(launch.claim(redirect), SingleInstance::Outcome::Owner);
    EXPECT_TRUE(launch.owns());
    EXPECT_EQ(heard(planted), QByteArray());
}

TEST_F(SingleInstanceStranger, AnotherUserIsNeverAnswered) {
    // An owner whose socket another user can reach: it still talks only to its own user.
    const QString path = shared + QStringLiteral("/owner");
    Owner owner(path, bundleA);
    ASSERT_TRUE(owner.owned());
    ::chmod(QFile::encodeName(path).constData(), 0777);
    for (const char* line : {R"({"request":"open","args":["--x"]})", R"({"request":"quit"})"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(run({shared + QStringLiteral("/peer"), QStringLiteral("call"), path, QString::fromLatin1(line)}),
                  "no greeting\nno answer\n");
    }
    QThread::msleep(100);
    EXPECT_TRUE(owner.received().isEmpty());
    EXPECT_EQ(owner.quits(), 0);
}
