#include "BundleBuilder.h"
#include "TestEnvironment.h"

#include "platform/archives/TreeCopy.h"
#include "platform/desktop/SingleInstance.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

// A copy of the built bundle at `path`, carrying the given versions.
void layOut(const QString& path, const QString& version, const QString& build) {
    TreeCopy::copy(QStringLiteral(QUENLARK_BUNDLE), path);
    QFile info(path + u"/Contents/Info.plist"_s);
    ASSERT_TRUE(info.open(QIODevice::WriteOnly | QIODevice::Truncate));
    info.write(BundleBuilder::infoPlistXml({{u"CFBundleExecutable"_s, u"quenlark"_s},
                                            {u"CFBundleIdentifier"_s, u"com.quenlark.Quenlark"_s},
                                            {u"CFBundleName"_s, u"Quenlark"_s},
                                            {u"CFBundleShortVersionString"_s, version},
                                            {u"CFBundleVersion"_s, build}}));
}

// One real copy of the application, without a display, past the welcome window.
class Copy {
public:
    explicit Copy(const QString& bundle) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(bundle + u"/Contents/MacOS/quenlark"_s, {u"--skip-onboarding"_s});
        process_.waitForStarted(10000);
    }
    ~Copy() {
        if (running()) {
            process_.terminate();
            if (!process_.waitForFinished(10000))
                process_.kill();
        }
        process_.waitForFinished(5000);
    }
    bool running() {
        process_.waitForFinished(0);
        return process_.state() != QProcess::NotRunning;
    }
    bool endedCleanly() {
        return !running() && process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
    }
    std::string output() { return (process_.readAll()).toStdString(); }

private:
    QProcess process_;
};

bool waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QThread::msleep(50);
    }
    return true;
}

} // namespace

// Real processes of the application, each from a bundle of its own: the copy with the newer
// version stays, and with equal versions the copy launched last does, also when two launch at
// once beside a running one.
TEST(Takeover, TheNewerCopyStaysAndCopiesLaunchedTogetherLeaveExactlyOne) {
    struct Row {
        const char* name;
        QList<std::pair<QString, QString>> running;  // launched first, one after another
        QList<std::pair<QString, QString>> launched; // launched together afterwards
        int survivor;                                // index over running then launched
    };
    const Row rows[] = {
        {"an older copy runs", {{u"1.0"_s, u"10"_s}}, {{u"2.0"_s, u"20"_s}}, 1},
        {"a newer copy runs", {{u"2.0"_s, u"20"_s}}, {{u"1.0"_s, u"10"_s}}, 0},
        {"the same short version with a newer build runs", {{u"2.0"_s, u"21"_s}}, {{u"2.0"_s, u"20"_s}}, 0},
        {"the same version", {{u"2.0"_s, u"20"_s}}, {{u"2.0"_s, u"20"_s}}, 1},
        {"two of one version launched together beside a third",
         {{u"2.0"_s, u"20"_s}},
         {{u"2.0"_s, u"20"_s}, {u"2.0"_s, u"20"_s}},
         -1},
    };
    const QString socket = SingleInstance::socketPath(std::nullopt);
    ASSERT_FALSE(socket.isEmpty());
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString root = TestEnvironment::root() + u"/takeover-"_s + QString::number(n++);
        std::vector<std::unique_ptr<Copy>> copies;
        int i = 0;
        for (const auto& [version, build] : row.running) {
            const QString bundle = root + u"/"_s + QString::number(i++) + u"/Quenlark.app"_s;
            layOut(bundle, version, build);
            copies.push_back(std::make_unique<Copy>(bundle));
            // Up and listening before the next one comes.
            ASSERT_TRUE(waitUntil([&] { return QFile::exists(socket); }, 20000)) << copies.back()->output();
            QThread::msleep(1500);
        }
        QStringList together;
        for (const auto& [version, build] : row.launched) {
            together << root + u"/"_s + QString::number(i++) + u"/Quenlark.app"_s;
            layOut(together.last(), version, build);
        }
        for (const QString& bundle : together)
            copies.push_back(std::make_unique<Copy>(bundle));

        const auto alive = [&] {
            int count = 0;
            for (auto& copy : copies)
                count += copy->running() ? 1 : 0;
            return count;
        };
        EXPECT_TRUE(waitUntil([&] { return alive() == 1; }, 30000)) << alive() << " copies still run";
        QThread::msleep(2000);
        EXPECT_EQ(alive(), 1) << "one copy stays, and stays";
        for (int k = 0; k < int(copies.size()); ++k) {
            if (row.survivor >= 0) {
                EXPECT_EQ(copies[k]->running(), k == row.survivor) << "copy " << k;
            }
            if (!copies[k]->running()) {
                EXPECT_TRUE(copies[k]->endedCleanly()) << "copy " << k << " quit through its quit path";
            }
        }
        copies.clear();
    }
}
