#include "Desktop.h"
#include "LoopbackServer.h"
#include "RunSync.h"
#include "TestEnvironment.h"

#include "account/Auth.h"
#include "account/AuthViewModel.h"
#include "account/GoogleSignIn.h"
#include "account/ui/BrowserWaitWindow.h"
#include "app/App.h"
#include "model/Launch.h"
#include "model/MainBundle.h"
#include "model/Vault.h"
#include "platform/desktop/SchemeHandler.h"
#include "platform/desktop/SingleInstance.h"
#include "store/Store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QUrlQuery>

#include <mutex>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString clientID = u"246-e2e.apps.googleusercontent.com"_s;
const std::string code = "4/0Ae2e-code";

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray base64url(const QByteArray& bytes) {
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

// Google's two endpoints and, for a run without the Authentication emulator, the identity
// service's Google sign-in, on loopback. Everything else (the update checks) is not found.
class FakeGoogle {
public:
    FakeGoogle() : server_(500, std::chrono::seconds(180)) {
        server_.http().Get("/o/oauth2/v2/auth", [](const httplib::Request& req, httplib::Response& res) {
            // An account already chosen: the page sends the browser straight back.
            res.status = 302;
            res.set_header("Location", req.get_param_value("redirect_uri") + "?state=" + req.get_param_value("state") +
                                           "&code=" + httplib::detail::encode_query_param(code) + "&scope=email");
        });
        server_.http().Post("/token", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex_);
            exchanged_ = QUrlQuery(QString::fromStdString(req.body)).queryItemValue(u"code"_s, QUrl::FullyDecoded);
            // An unsigned token: the emulator reads the claims without checking a signature.
            const QByteArray token =
                base64url(R"({"alg":"none","typ":"JWT"})") + '.' +
                base64url(R"({"sub":"e2e-google-7","email":"ada@example.org","email_verified":true,"name":"Ada"})") +
                '.';
            res.set_content(R"({"id_token":")" + token.toStdString() + R"(","access_token":"a"})", "application/json");
        });
        server_.http().Post("/identitytoolkit.googleapis.com/v1/accounts:signInWithIdp", [](const httplib::Request&,
                                                                                            httplib::Response& res) {
            res.set_content(R"({"localId":"e2e-google-7","email":"ada@example.org","idToken":"id-1",)"
                            R"("refreshToken":"refresh-1","expiresIn":"3600","displayName":"Ada"})",
                            "application/json");
        });
        server_.start();
    }

    GoogleSignIn::Endpoints endpoints() const { return {server_.url("/o/oauth2/v2/auth"), server_.url("/token")}; }
    QString host() const { return u"127.0.0.1:"_s + QString::number(server_.port()); }
    QUrl url() const { return server_.url("/"); }
    QString exchanged() {
        std::lock_guard lock(mutex_);
        return exchanged_;
    }

private:
    LoopbackServer server_;
    std::mutex mutex_;
    QString exchanged_;
};

// Makes the stand-in browser the desktop's browser: the default handler of web addresses in
// this test's own configuration, and $BROWSER besides. The desktop is the generic one, so
// xdg-open asks the configuration and nothing else.
void installStandInBrowser(const QString& log) {
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
        qunsetenv(name);
    const QString browser = QStringLiteral(QUENLARK_STAND_IN_BROWSER);
    qputenv("BROWSER", browser.toLocal8Bit());
    qputenv("QUENLARK_BROWSER_LOG", log.toLocal8Bit());
    const QString home = qEnvironmentVariable("HOME");
    ASSERT_TRUE(writeFile(home + u"/.local/share/applications/stand-in-browser.desktop"_s,
                          "[Desktop Entry]\nType=Application\nName=Stand-in browser\nExec=" + browser.toUtf8() +
                              " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n"));
    ASSERT_TRUE(writeFile(home + u"/.config/mimeapps.list"_s,
                          "[Default Applications]\nx-scheme-handler/http=stand-in-browser.desktop;\n"
                          "x-scheme-handler/https=stand-in-browser.desktop;\n"));
}

} // namespace

// The whole road of a Google sign-in between processes: the running Quenlark opens the
// authorisation page in the desktop's browser, the browser follows it to the redirect address
// and hands that to the desktop, the desktop entry Quenlark wrote starts a second Quenlark, the
// second hands the address over the socket and ends, and the first exchanges the code and signs
// in (with the Authentication emulator when it runs).
TEST(GoogleSignInFlow, TheRedirectReachesTheRunningInstanceThroughASecondOne) {
    FakeGoogle google;
    const QString root = TestEnvironment::root();
    const QString log = root + u"/browser.log"_s;
    installStandInBrowser(log);
    if (HasFatalFailure())
        return;

    const QString emulator = qEnvironmentVariable("QUENLARK_AUTH_EMULATOR");
    const QString project =
        emulator.isEmpty() ? u"demo-quenlark"_s : qEnvironmentVariable("QUENLARK_AUTH_EMULATOR_PROJECT");
    const QString config = root + u"/firebase.json"_s;
    ASSERT_TRUE(writeFile(
        config,
        QStringLiteral(R"({"apiKey": "demo-key", "projectId": "%1", "googleClientID": "%2", "authEmulatorHost": "%3"})")
            .arg(project, clientID, emulator.isEmpty() ? google.host() : emulator)
            .toUtf8()));
    const QString sandbox = root + u"/sandbox/Applications"_s;
    QDir().mkpath(sandbox);
    Launch::setArgsForTest(
        {u"--sandbox"_s, sandbox, u"--mock"_s, google.url().toString(), u"--firebase-config"_s, config});
    Vault::setFolder(root + u"/vault"_s);

    // This process is the running Quenlark, as main() makes it.
    SingleInstance instance(SingleInstance::socketPath(Launch::sandbox()),
                            MainBundle::path().value_or(QFileInfo(u"/proc/self/exe"_s).canonicalFilePath()), QString());
    ASSERT_EQ(instance.claim(Launch::args()), SingleInstance::Outcome::Owner);
    App app(instance);

    BrowserWaitWindow sheet;
    GoogleSignIn signIn(&sheet, google.endpoints());
    AuthViewModel model(Store::shared(), [&signIn](QString id) { return signIn.idToken(std::move(id)); });
    model.setAgreed(true);
    // A broken road would otherwise wait the sign-in's ten minutes.
    QTimer::singleShot(40s, &signIn, [&signIn] { signIn.cancel(); });
    runSync(model.signInWithGoogle());

    const auto& session = Store::shared().session();
    ASSERT_TRUE(session) << (model.error() ? model.error()->toStdString() : "cancelled: no redirect arrived");
    EXPECT_EQ(google.exchanged(), QString::fromStdString(code));
    EXPECT_EQ(session->email, u"ada@example.org"_s);
    EXPECT_EQ(session->provider, u"google.com"_s);
    EXPECT_EQ(session->emailVerified, true);
    EXPECT_FALSE(model.error());

    // The browser was asked once, for the authorisation page of this sign-in.
    QFile opened(log);
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
    const QList<QByteArray> addresses = opened.readAll().split('\n');
    ASSERT_EQ(addresses.size(), 2);
    const QUrl asked = QUrl::fromEncoded(addresses.first());
    EXPECT_EQ(asked.adjusted(QUrl::RemoveQuery), google.endpoints().authorization);
    EXPECT_EQ(QUrlQuery(asked).queryItemValue(u"client_id"_s, QUrl::FullyDecoded), clientID);

    // The session is kept for the next launch.
    Desktop::waitUntil([] { return Auth::load().has_value(); }, 5s);
    const auto kept = Auth::load();
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->uid, session->uid);
}
