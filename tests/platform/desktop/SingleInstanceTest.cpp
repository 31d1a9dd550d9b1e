#include "platform/desktop/SingleInstance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMutex>
#include <QThread>

#include <atomic>
#include <memory>

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

TEST(SingleInstancePath, OnePerUserAndSandboxFolderOnlyTheUserCanReach) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const QString uid = QString::number(getuid());
    qputenv("XDG_RUNTIME_DIR", QDir::tempPath().toUtf8());
    const QString plain = SingleInstance::socketPath(std::nullopt);
    const QString first = SingleInstance::socketPath(QStringLiteral("/home/u/demo/Applications"));
    EXPECT_EQ(plain, QDir::tempPath() + QStringLiteral("/com.quenlark.Quenlark.") + uid);
    EXPECT_TRUE(first.startsWith(plain + QLatin1Char('.')));
    EXPECT_NE(first, SingleInstance::socketPath(QStringLiteral("/home/u/other/Applications")));
    EXPECT_EQ(first, SingleInstance::socketPath(QStringLiteral("/home/u/demo/Applications")));
    EXPECT_EQ(SingleInstance::socketPath(QString(500, u'x')).size(), first.size());

    // Without a runtime folder: a folder of the user's own, closed to everyone else.
    qunsetenv("XDG_RUNTIME_DIR");
    const QString fallback = SingleInstance::socketPath(std::nullopt);
    qputenv("XDG_RUNTIME_DIR", saved);
    const QString folder = QDir::tempPath() + QStringLiteral("/quenlark-") + uid;
    EXPECT_EQ(fallback, folder + QStringLiteral("/com.quenlark.Quenlark.") + uid);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}
