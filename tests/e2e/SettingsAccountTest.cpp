#include "AuthEmulator.h"
#include "DemoLaunch.h"
#include "Desktop.h"
#include "RunSync.h"

#include "account/Auth.h"
#include "model/Vault.h"
#include "sources/Net.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// An answer of the emulators' REST interface, as their owner (past the security rules).
Net::Response ask(const QString& url, const QByteArray& verb = "GET", const QByteArray& body = {}) {
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("Authorization", "Bearer owner");
    if (!body.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    return runSync(Net::send(std::move(request), verb, body));
}

// How many documents the account's collection holds in the Firestore emulator.
int documents(const CloudConfig& config, const QString& uid, const QString& collection) {
    const Net::Response answer = ask(config.firestoreHost + u"v1/projects/"_s + config.projectId +
                                     u"/databases/(default)/documents/users/"_s + uid + u'/' + collection);
    return int(QJsonDocument::fromJson(answer.body).object().value(u"documents"_s).toArray().size());
}

// Whether the identity emulator still knows the account.
bool accountExists(const CloudConfig& config, const QString& uid) {
    const Net::Response answer = ask(
        config.authHost + u"identitytoolkit.googleapis.com/v1/projects/"_s + config.projectId + u"/accounts:lookup"_s,
        "POST", QJsonDocument(QJsonObject{{u"localId"_s, QJsonArray{uid}}}).toJson(QJsonDocument::Compact));
    return !QJsonDocument::fromJson(answer.body).object().value(u"users"_s).toArray().isEmpty();
}

} // namespace

// A signed-in demo whose library the first check uploaded: the Account tab's deletion, once
// confirmed, removes the library's documents and the identity account on the emulators, and the
// application is signed out.
TEST(SettingsAccount, DeletingTheAccountRemovesTheLibraryAndTheIdentityAccount) {
    const std::optional<CloudConfig> config = AuthEmulator::withFirestore();
    if (!config)
        GTEST_SKIP() << "needs the Authentication and Firestore emulators (scripts/emulators)";
    if (!Vault::keychainAvailable())
        GTEST_SKIP() << "needs a keyring (tests/support/with-keyring)";
    const Session session = runSync(Auth::signUp(AuthEmulator::freshAddress(), u"correct horse 42"_s, *config));
    // Where the sandboxed application looks for its session.
    Vault::keychainWrite(u"com.quenlark.Quenlark.account"_s, u"session-test"_s, session.encoded());
    const QStringList emulators = DemoLaunch::emulatorArguments(*config);
    ASSERT_FALSE(emulators.isEmpty());

    DemoLaunch launch;
    ASSERT_TRUE(launch.start(DemoLaunch::Start().with(emulators).exposed()));
    if (!launch.accessibility())
        GTEST_SKIP() << "no accessibility bus";
    DemoQuenlark& quenlark = launch.quenlark();
    // The first check ends with the library's upload.
    ASSERT_TRUE(Desktop::waitUntil([&] { return documents(*config, session.uid, u"apps"_s) > 0; }, 90s))
        << quenlark.text();
    ASSERT_GT(documents(*config, session.uid, u"devices"_s), 0);
    ASSERT_TRUE(accountExists(*config, session.uid));

    auto showing = [&](const QString& name, std::chrono::milliseconds limit = 10s) {
        return launch.showing(name, limit);
    };
    const auto settings = launch.openSettings();
    ASSERT_TRUE(settings) << quenlark.text();
    const auto tab = showing(u"Account"_s);
    ASSERT_TRUE(tab && Desktop::click(tab->box.center()));
    const auto remove = showing(u"Delete My Library and Account…"_s);
    ASSERT_TRUE(remove && Desktop::click(remove->box.center())) << quenlark.text();
    const auto confirm = showing(u"Delete Library and Account"_s);
    ASSERT_TRUE(confirm) << "the confirmation";
    EXPECT_TRUE(Desktop::screenshot(*settings, QStringLiteral(QUENLARK_SCREENS "/e2e-settings-delete.png"), 3s));
    ASSERT_TRUE(Desktop::click(confirm->box.center()));

    EXPECT_TRUE(Desktop::waitUntil([&] { return !accountExists(*config, session.uid); }, 30s)) << quenlark.text();
    EXPECT_EQ(documents(*config, session.uid, u"apps"_s), 0);
    EXPECT_EQ(documents(*config, session.uid, u"devices"_s), 0);
    // Signed out: the tab offers the sign-in again.
    EXPECT_TRUE(showing(u"Sign In…"_s, 20s)) << quenlark.text();
    EXPECT_TRUE(quenlark.running()) << quenlark.text();
}
