#include "account/GoogleSignIn.h"
#include "account/Pkce.h"
#include "platform/desktop/SchemeHandler.h"
#include "runtime/AuthError.h"
#include "runtime/Cancelled.h"
#include "runtime/Shell.h"

#include "FakeClock.h"
#include "LoopbackServer.h"
#include "QtPrinters.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QUrlQuery>

#include <mutex>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString clientID = u"123-abc.apps.googleusercontent.com"_s;
const QString scheme = u"com.googleusercontent.apps.123-abc"_s;

QString entryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/applications/"_s +
           SchemeHandler::entryId(scheme);
}

QString mimeapps() {
    QFile file(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/mimeapps.list"_s);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Google's two endpoints on loopback. The authorisation page sends the browser straight back
// to the redirect address, as it does for an account already chosen.
class FakeGoogle {
public:
    enum class Answer { Code, Refused };

    FakeGoogle() {
        server_.http().set_keep_alive_max_count(1);
        server_.http().Get("/o/oauth2/v2/auth", [this](const httplib::Request& req, httplib::Response& res) {
            const std::string redirect = req.get_param_value("redirect_uri");
            const std::string state = req.get_param_value("state");
            std::string query;
            switch (answer) {
            case Answer::Code:
                query = "code=4%2F0Ab-code&state=" + state + "&scope=email";
                break;
            case Answer::Refused:
                query = "error=access_denied&state=" + state;
                break;
            }
            res.status = 302;
            res.set_header("Location", redirect + "?" + query);
        });
        server_.http().Post("/token", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex_);
            tokenBody_ = req.body;
            res.status = tokenStatus;
            res.set_content(tokenReply, tokenType);
        });
        server_.start();
    }

    GoogleSignIn::Endpoints endpoints() const { return {server_.url("/o/oauth2/v2/auth"), server_.url("/token")}; }
    QUrlQuery tokenBody() {
        std::lock_guard lock(mutex_);
        return QUrlQuery(QString::fromStdString(tokenBody_));
    }
    std::string rawTokenBody() {
        std::lock_guard lock(mutex_);
        return tokenBody_;
    }
    int port() const { return server_.port(); }

    Answer answer = Answer::Code;
    int tokenStatus = 200;
    std::string tokenReply = R"({"id_token":"google-id-token","access_token":"a"})";
    std::string tokenType = "application/json";

private:
    LoopbackServer server_;
    std::mutex mutex_;
    std::string tokenBody_;
};

// A stand-in for the user's browser: it follows the authorisation page, asks the desktop which
// program handles the redirect's scheme, and hands the address over as that program's second
// launch would.
class Browser final : public Shell {
public:
    explicit Browser(int port) : port_(port) { Shell::install(this); }
    ~Browser() override { Shell::install(nullptr); }

    QCoro::Task<bool> confirm(Question) override { co_return false; }
    QCoro::Task<bool> alert(QString, QString) override { co_return true; }
    void openMainWindow() override {}
    void showIsland() override {}
    void applyAppearance(bool, bool) override {}
    bool openUrl(const QUrl& url) override {
        opened.append(url);
        if (follow)
            QTimer::singleShot(0, qApp, [this, url] { visit(url); });
        return true;
    }

    QList<QUrl> opened;
    QString handler; // the desktop entry the desktop chose for the redirect
    QString entry;   // that entry's text while the sign-in waited
    bool follow = true;

private:
    void visit(const QUrl& url) {
        httplib::Client client("127.0.0.1", port_);
        const auto page = client.Get(url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority).toStdString());
        ASSERT_TRUE(page);
        const QUrl redirect(QString::fromStdString(page->get_header_value("Location")));
        QFile file(entryPath());
        if (file.open(QIODevice::ReadOnly))
            entry = QString::fromUtf8(file.readAll());
        // Another program launching us with an address of the scheme, ahead of the browser: not
        // this sign-in's answer, which goes on waiting for the real one.
        EXPECT_FALSE(
            GoogleSignIn::handleRedirect(QUrl(redirect.scheme() + u":/oauth2redirect?code=forged&state=forged"_s)));
        EXPECT_FALSE(GoogleSignIn::handleRedirect(QUrl(redirect.scheme() + u":/oauth2redirect?code=forged"_s)));
        if (!QStandardPaths::findExecutable(u"xdg-mime"_s).isEmpty()) {
            QProcess query;
            query.start(u"xdg-mime"_s, {u"query"_s, u"default"_s, u"x-scheme-handler/"_s + redirect.scheme()});
            query.waitForFinished(10000);
            handler = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
        }
        EXPECT_TRUE(GoogleSignIn::handleRedirect(redirect));
    }

    int port_;
};

class RecordingSheet final : public GoogleSignIn::Sheet {
public:
    void present(std::function<void()> cancelIt) override {
        ++presented;
        cancel = std::move(cancelIt);
    }
    void dismiss() override { ++dismissed; }
    int presented = 0;
    int dismissed = 0;
    std::function<void()> cancel;
};

QString failureOf(QCoro::Task<QString> task) {
    try {
        runSync(std::move(task));
    } catch (const Cancelled&) {
        return u"<cancelled>"_s;
    } catch (const AuthError& error) {
        return error.description();
    }
    return u"<no error>"_s;
}

} // namespace

TEST(Pkce, MatchesTheVectorOfTheStandard) {
    const unsigned char octets[] = {116, 24,  223, 180, 151, 153, 224, 37,  79, 250, 96, 125, 216, 173, 187, 186,
                                    22,  212, 37,  77,  105, 214, 191, 240, 91, 88,  5,  88,  83,  132, 141, 121};
    const QString verifier = Pkce::base64url(QByteArray(reinterpret_cast<const char*>(octets), sizeof octets));
    EXPECT_EQ(verifier, u"dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"_s);
    EXPECT_EQ(Pkce::challenge(verifier), u"E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"_s);

    const QRegularExpression alphabet(u"^[A-Za-z0-9_-]+$"_s);
    for (int i = 0; i < 20; ++i) {
        const QString long_ = Pkce::random(48);
        EXPECT_EQ(long_.size(), 64);
        EXPECT_TRUE(alphabet.match(long_).hasMatch()) << long_.toStdString();
        EXPECT_EQ(Pkce::random(16).size(), 22);
    }
    EXPECT_NE(Pkce::random(48), Pkce::random(48));
}

TEST(GoogleSignIn, AddressesFollowTheClientID) {
    EXPECT_EQ(GoogleSignIn::redirectScheme(clientID), scheme);
    EXPECT_EQ(GoogleSignIn::redirectScheme(u"a.b.c"_s), u"c.b.a"_s);
    EXPECT_EQ(GoogleSignIn::redirectScheme(u"plain"_s), u"plain"_s);

    const QUrl url = GoogleSignIn::authorizationURL(GoogleSignIn::Endpoints::google().authorization, clientID,
                                                    u"chal-lenge_"_s, u"st"_s);
    EXPECT_EQ(url.toString(QUrl::FullyEncoded),
              u"https://accounts.google.com/o/oauth2/v2/auth?client_id=123-abc.apps.googleusercontent.com"
              u"&redirect_uri=com.googleusercontent.apps.123-abc:/oauth2redirect&response_type=code"
              u"&scope=openid%20email%20profile&code_challenge=chal-lenge_&code_challenge_method=S256"
              u"&state=st&prompt=select_account"_s);
    EXPECT_EQ(GoogleSignIn::exchangeBody(u"4/0A b"_s, u"1-a.b"_s, u"v_x"_s),
              "code=4%2F0A%20b&client_id=1%2Da%2Eb&redirect_uri=b%2E1%2Da%3A%2Foauth2redirect"
              "&grant_type=authorization%5Fcode&code_verifier=v%5Fx");
}

// The whole road: the browser opens the authorisation page, the desktop routes the redirect to
// our entry, the address reaches the waiting sign-in, and the code is exchanged with its proof.
TEST(GoogleSignIn, TheBrowsersRedirectComesBackAndIsExchangedForTheToken) {
    FakeGoogle google;
    Browser browser(google.port());
    RecordingSheet sheet;
    GoogleSignIn signIn(&sheet, google.endpoints());

    EXPECT_EQ(runSync(signIn.idToken(clientID)), u"google-id-token"_s);
    ASSERT_EQ(browser.opened.size(), 1);
    const QUrlQuery asked(browser.opened.first());
    const QUrlQuery sent = google.tokenBody();
    EXPECT_EQ(sent.queryItemValue(u"code"_s, QUrl::FullyDecoded), u"4/0Ab-code"_s);
    EXPECT_EQ(sent.queryItemValue(u"grant_type"_s), u"authorization_code"_s);
    EXPECT_EQ(sent.queryItemValue(u"client_id"_s, QUrl::FullyDecoded), clientID);
    EXPECT_EQ(sent.queryItemValue(u"redirect_uri"_s, QUrl::FullyDecoded), scheme + u":/oauth2redirect"_s);
    EXPECT_EQ(Pkce::challenge(sent.queryItemValue(u"code_verifier"_s, QUrl::FullyDecoded)),
              asked.queryItemValue(u"code_challenge"_s));
    EXPECT_EQ(google.rawTokenBody().find('-'), std::string::npos); // only letters and digits literal
    EXPECT_EQ(sheet.presented, 1);
    EXPECT_EQ(sheet.dismissed, 1);

    // While it waited, the desktop entry launched this program with the address and was the
    // scheme's default; once it is over, neither is left behind.
    EXPECT_TRUE(browser.entry.contains(u"MimeType=x-scheme-handler/"_s + scheme + u';')) << browser.entry.toStdString();
    EXPECT_TRUE(browser.entry.contains(u"Exec="_s + QCoreApplication::applicationFilePath() + u" %u\n"_s))
        << browser.entry.toStdString();
    EXPECT_FALSE(QFile::exists(entryPath()));
    EXPECT_FALSE(mimeapps().contains(scheme)) << mimeapps().toStdString();
    if (QStandardPaths::findExecutable(u"xdg-mime"_s).isEmpty())
        GTEST_SKIP() << "xdg-mime (xdg-utils) is not installed; the desktop's choice was not asked";
    EXPECT_EQ(browser.handler, SchemeHandler::entryId(scheme));
}

TEST(GoogleSignIn, UnexpectedAnswersEndInTheirSentences) {
    FakeGoogle google;
    Browser browser(google.port());
    GoogleSignIn signIn(nullptr, google.endpoints());
    const QString unexpected = u"Google sign-in returned an unexpected answer."_s;
    const QString noToken = u"Google didn't return a sign-in token."_s;

    google.answer = FakeGoogle::Answer::Refused;
    EXPECT_EQ(failureOf(signIn.idToken(clientID)), unexpected);

    google.answer = FakeGoogle::Answer::Code;
    google.tokenStatus = 400;
    google.tokenReply = R"({"error":"invalid_grant","error_description":"Bad Request"})";
    EXPECT_EQ(failureOf(signIn.idToken(clientID)), noToken);
    google.tokenStatus = 200;
    google.tokenReply = "<html>Sign in</html>";
    google.tokenType = "text/html";
    EXPECT_EQ(failureOf(signIn.idToken(clientID)), noToken);

    // An id not of Google's form would make us the handler of whatever scheme it reverses to.
    const int opened = browser.opened.size();
    for (const QString& id : {QString(), u"https"_s, u"file"_s, u"com.example"_s})
        EXPECT_EQ(failureOf(signIn.idToken(id)), u"Google sign-in isn't switched on for Quenlark yet."_s);
    EXPECT_EQ(browser.opened.size(), opened);
    EXPECT_FALSE(mimeapps().contains(u"quenlark-"_s)) << mimeapps().toStdString();
    EXPECT_FALSE(GoogleSignIn::handleRedirect(QUrl(scheme + u":/oauth2redirect?code=late"_s)));
}

TEST(GoogleSignIn, CancelOrTenQuietMinutesEndSilently) {
    FakeClock clock;
    FakeGoogle google;
    Browser browser(google.port());
    browser.follow = false; // the user never finishes in the browser
    RecordingSheet sheet;
    GoogleSignIn signIn(&sheet, google.endpoints());

    QTimer::singleShot(0, qApp, [&] { sheet.cancel(); });
    EXPECT_EQ(failureOf(signIn.idToken(clientID)), u"<cancelled>"_s);
    EXPECT_EQ(sheet.dismissed, 1);

    QTimer::singleShot(0, qApp, [&] { clock.advance(std::chrono::minutes(9)); });
    QTimer::singleShot(5, qApp, [&] { clock.advance(std::chrono::minutes(1)); });
    EXPECT_EQ(failureOf(signIn.idToken(clientID)), u"<cancelled>"_s);
    EXPECT_EQ(sheet.dismissed, 2);
    EXPECT_FALSE(GoogleSignIn::handleRedirect(QUrl(scheme + u":/oauth2redirect?code=late"_s)));
    EXPECT_FALSE(QFile::exists(entryPath())); // nobody waits for the scheme any more

    // A sign-in cut short by the end of the program leaves the entry; signing out takes it back.
    ASSERT_TRUE(SchemeHandler::install(scheme, QCoreApplication::applicationFilePath(), {}));
    GoogleSignIn::forgetHandler(clientID);
    EXPECT_FALSE(QFile::exists(entryPath()));
    EXPECT_FALSE(mimeapps().contains(scheme));
}
