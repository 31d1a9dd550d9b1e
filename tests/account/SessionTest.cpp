#include "account/Auth.h"
#include "model/Launch.h"
#include "model/Vault.h"
#include "runtime/Blocking.h"

#include "QtPrinters.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

Session sample() {
    Session s;
    s.uid = u"u1"_s;
    s.email = u"ada@example.com"_s;
    s.idToken = u"id"_s;
    s.refreshToken = u"refresh"_s;
    s.expires = QDateTime(QDate(2001, 1, 1), QTime(1, 0), Qt::UTC);
    s.provider = u"password"_s;
    return s;
}

QJsonObject json(const QByteArray& data) { return QJsonDocument::fromJson(data).object(); }

// Points the stored session at a private folder and restores everything afterwards.
class StoredSession : public ::testing::Test {
protected:
    void SetUp() override {
        Vault::setFolder(dir.path());
        CloudConfig::setCurrentForTest(std::nullopt);
        Launch::setArgsForTest({});
    }
    void TearDown() override {
        Vault::setFolder(std::nullopt);
        CloudConfig::setCurrentForTest(std::nullopt);
        Launch::setArgsForTest({});
    }
    QString file(const QString& account) const { return dir.filePath(u"com.quenlark.Quenlark.account."_s + account); }
    QTemporaryDir dir;
};

} // namespace

TEST(Session, EncodesSixKeysAndTheOptionalOnesOnlyWithAValue) {
    const QJsonObject bare = json(sample().encoded());
    EXPECT_EQ(bare.keys(),
              (QStringList{u"email"_s, u"expires"_s, u"idToken"_s, u"provider"_s, u"refreshToken"_s, u"uid"_s}));
    EXPECT_EQ(bare.value(u"expires"_s).toDouble(), 3600.0);

    Session full = sample();
    full.name = u"Ada"_s;
    full.emailVerified = false;
    full.expires = QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC).addMSecs(1500);
    const QJsonObject all = json(full.encoded());
    EXPECT_EQ(all.size(), 8);
    EXPECT_EQ(all.value(u"expires"_s).toDouble(), 1.5);
    EXPECT_EQ(Session::decoded(full.encoded()), full);
    EXPECT_EQ(Session::decoded(sample().encoded()), sample());
    Session epoch = sample();
    epoch.expires = QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    EXPECT_EQ(json(epoch.encoded()).value(u"expires"_s).toDouble(), 0.0);
}

TEST(Session, DecodesOnlyObjectsWithEveryRequiredKeyOfItsType) {
    const QByteArray base =
        R"({"uid":"u1","email":"","idToken":"i","refreshToken":"r","expires":0,"provider":"password")";
    struct Row {
        QByteArray tail;
        bool decodes;
        std::optional<bool> verified;
    };
    const QList<Row> rows = {
        {"}", true, std::nullopt},
        {R"(,"emailVerified":false})", true, false},
        {R"(,"emailVerified":null,"name":null})", true, std::nullopt},
        {R"(,"emailVerified":"yes"})", false, std::nullopt},
        {R"(,"name":7})", false, std::nullopt},
    };
    for (const auto& row : rows) {
        const auto session = Session::decoded(base + row.tail);
        ASSERT_EQ(session.has_value(), row.decodes) << row.tail.toStdString();
        if (session) {
            EXPECT_EQ(session->emailVerified, row.verified);
        }
    }
    EXPECT_FALSE(Session::decoded(R"({"uid":"u1","email":"","idToken":"i","refreshToken":"r","expires":0})"));
    EXPECT_FALSE(Session::decoded(
        R"({"uid":"u1","email":"","idToken":"i","refreshToken":"r","expires":"2001-01-01T00:00:00Z","provider":"p"})"));
    EXPECT_FALSE(Session::decoded("not json"));
}

TEST_F(StoredSession, SavesReplacesAndRemovesOneStoredSession) {
    EXPECT_EQ(Auth::load(), std::nullopt);
    Auth::save(std::nullopt);              // nothing stored: nothing happens
    EXPECT_EQ(Auth::load(), std::nullopt); // a load waits for the saves before it
    EXPECT_FALSE(QFile::exists(file(u"session"_s)));

    Session first = sample();
    Session second = sample();
    second.idToken = u"id-2"_s;
    second.name = u"Ada"_s;
    Auth::save(first);
    Auth::save(second);
    EXPECT_EQ(Auth::load(), second);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"com.quenlark.Quenlark.account.session"_s});

    Auth::save(std::nullopt);
    EXPECT_EQ(Auth::load(), std::nullopt);
    EXPECT_FALSE(QFile::exists(file(u"session"_s)));

    // An item this version can't read leaves the user signed out and stays as it is.
    QFile stale(file(u"session"_s));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(R"({"uid":"u1"})");
    stale.close();
    EXPECT_EQ(Auth::load(), std::nullopt);
    EXPECT_TRUE(QFile::exists(file(u"session"_s)));
}

// A sign-out queued behind a slow keyring still happens when the program ends; otherwise the
// removed session would come back at the next launch.
TEST_F(StoredSession, AWriteQueuedBehindASlowKeyringIsDoneBeforeTheEnd) {
    Auth::save(sample());
    ASSERT_EQ(Auth::load(), sample());
    Blocking::pool(Blocking::Pool::Keychain).start([] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });
    Session renewed = sample();
    renewed.idToken = u"id-2"_s;
    Auth::save(renewed);
    Auth::save(std::nullopt);
    Blocking::settle(); // as the application object goes
    EXPECT_FALSE(QFile::exists(file(u"session"_s)));
}

TEST_F(StoredSession, SandboxAndEmulatorsUseTheirOwnItem) {
    Auth::save(sample());
    Session test = sample();
    test.uid = u"tester"_s;

    Launch::setArgsForTest({u"--sandbox"_s, dir.path()});
    EXPECT_EQ(Auth::account(), u"session-test"_s);
    EXPECT_EQ(Auth::load(), std::nullopt);
    Auth::save(test);
    Launch::setArgsForTest({});
    EXPECT_EQ(Auth::load(), sample());

    CloudConfig::setCurrentForTest(CloudConfig::emulator(u"k"_s, u"demo-p"_s, u"127.0.0.1:1"_s));
    EXPECT_EQ(Auth::account(), u"session-test"_s);
    EXPECT_EQ(Auth::load(), test);
    CloudConfig real = CloudConfig::emulator(u"k"_s, u"p"_s, u"127.0.0.1:1"_s);
    real.emulated = false;
    CloudConfig::setCurrentForTest(real);
    EXPECT_EQ(Auth::account(), u"session"_s);
}
