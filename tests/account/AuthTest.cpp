#include "account/Auth.h"
#include "runtime/AuthError.h"
#include "runtime/TransportError.h"
#include "sources/Net.h"

#include "FakeClock.h"
#include "FakeIdentity.h"
#include "LoopbackServer.h"
#include "QtPrinters.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrlQuery>

#include <atomic>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

Session signedIn() {
    Session s;
    s.uid = u"uid-1"_s;
    s.email = u"ada@example.com"_s;
    s.idToken = u"id-1"_s;
    s.refreshToken = u"refresh-1"_s;
    s.expires = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    s.provider = u"password"_s;
    s.name = u"Ada"_s;
    s.emailVerified = true;
    return s;
}

QJsonObject tokens(QJsonObject extra = {}) {
    QJsonObject reply{{u"localId"_s, u"uid-9"_s},
                      {u"idToken"_s, u"id-9"_s},
                      {u"refreshToken"_s, u"refresh-9"_s},
                      {u"email"_s, u"ada@example.com"_s},
                      {u"expiresIn"_s, u"3600"_s}};
    for (auto it = extra.begin(); it != extra.end(); ++it) {
        if (it.value().isNull())
            reply.remove(it.key());
        else
            reply.insert(it.key(), it.value());
    }
    return reply;
}

// The AuthError a call ends in; fails the test when it ends otherwise.
AuthError failure(QCoro::Task<void> task) {
    try {
        runSync(std::move(task));
    } catch (const AuthError& error) {
        return error;
    }
    ADD_FAILURE() << "no AuthError";
    return AuthError(u"<none>"_s);
}

template <typename T>
QCoro::Task<void> discard(QCoro::Task<T> task) {
    co_await std::move(task);
}

QJsonObject bodyOf(const FakeIdentity::Call& request) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(request.body)).object();
}

} // namespace

// Each call goes to its method with the key, as JSON, with exactly the body the service expects.
TEST(Auth, EveryAccountsCallSendsItsBody) {
    FakeIdentity fake;
    fake.answerJson("signUp", tokens());
    fake.answerJson("signInWithPassword", tokens());
    fake.answerJson("signInWithIdp", tokens());
    const CloudConfig config = fake.config();
    const Session session = signedIn();

    struct Case {
        std::function<QCoro::Task<void>()> call;
        std::string method;
        QJsonObject body;
    };
    const QList<Case> cases = {
        {[&] { return discard(Auth::signUp(u"ada@example.com"_s, u"pw-123456"_s, config)); },
         "signUp",
         {{u"email"_s, u"ada@example.com"_s}, {u"password"_s, u"pw-123456"_s}, {u"returnSecureToken"_s, true}}},
        {[&] { return discard(Auth::signIn(u"ada@example.com"_s, u"pw"_s, config)); },
         "signInWithPassword",
         {{u"email"_s, u"ada@example.com"_s}, {u"password"_s, u"pw"_s}, {u"returnSecureToken"_s, true}}},
        {[&] { return discard(Auth::signIn(Auth::GoogleIDToken{u"g.tok-en"_s}, config)); },
         "signInWithIdp",
         {{u"postBody"_s, u"id_token=g.tok-en&providerId=google.com"_s},
          {u"requestUri"_s, u"http://localhost"_s},
          {u"returnSecureToken"_s, true},
          {u"returnIdpCredential"_s, true}}},
        {[&] { return Auth::updateName(u"Ada L"_s, session, config); },
         "update",
         {{u"idToken"_s, u"id-1"_s}, {u"displayName"_s, u"Ada L"_s}, {u"returnSecureToken"_s, false}}},
        {[&] { return Auth::sendEmailConfirmation(session, config); },
         "sendOobCode",
         {{u"requestType"_s, u"VERIFY_EMAIL"_s}, {u"idToken"_s, u"id-1"_s}}},
        {[&] { return Auth::sendPasswordReset(u"ada@example.com"_s, config); },
         "sendOobCode",
         {{u"requestType"_s, u"PASSWORD_RESET"_s}, {u"email"_s, u"ada@example.com"_s}}},
        {[&] { return discard(Auth::profile(session, config)); }, "lookup", {{u"idToken"_s, u"id-1"_s}}},
        {[&] { return Auth::deleteAccount(session, config); }, "delete", {{u"idToken"_s, u"id-1"_s}}},
    };
    for (const auto& c : cases) {
        runSync(c.call());
        const auto request = fake.calls().back();
        EXPECT_EQ(request.target, "/identitytoolkit.googleapis.com/v1/accounts:" + c.method + "?key=test-key");
        EXPECT_EQ(request.contentType, "application/json");
        EXPECT_EQ(bodyOf(request), c.body) << c.method;
    }
}

// One row per server message: the sentence the user reads and the code the store acts on.
TEST(Auth, ServerMessagesBecomeSentencesWithTheirCodes) {
    FakeIdentity fake;
    const CloudConfig config = fake.config();
    const QString mismatch = u"That email and password don't match."_s;
    const QString ended = u"Your session ended. Sign in again."_s;
    struct Row {
        std::string message;
        QString sentence;
        QString code;
    };
    const QList<Row> rows = {
        {"EMAIL_EXISTS", u"That email can't be used for a new account. Sign in instead, or use another email."_s,
         u"EMAIL_EXISTS"_s},
        {"EMAIL_NOT_FOUND", mismatch, u"EMAIL_NOT_FOUND"_s},
        {"INVALID_PASSWORD", mismatch, u"INVALID_PASSWORD"_s},
        {"INVALID_LOGIN_CREDENTIALS", mismatch, u"INVALID_LOGIN_CREDENTIALS"_s},
        {"WEAK_PASSWORD : Password should be at least 6 characters", u"Use a password of at least 6 characters."_s,
         u"WEAK_PASSWORD"_s},
        {"INVALID_EMAIL", u"That doesn't look like an email address."_s, u"INVALID_EMAIL"_s},
        {"TOO_MANY_ATTEMPTS_TRY_LATER : Try again later.", u"Too many attempts. Wait a few minutes and try again."_s,
         u"TOO_MANY_ATTEMPTS_TRY_LATER"_s},
        {"USER_DISABLED", u"This account has been disabled."_s, u"USER_DISABLED"_s},
        {"OPERATION_NOT_ALLOWED", u"This sign-in method isn't switched on for Quenlark yet."_s,
         u"OPERATION_NOT_ALLOWED"_s},
        {"TOKEN_EXPIRED", ended, u"TOKEN_EXPIRED"_s},
        {"INVALID_REFRESH_TOKEN", ended, u"INVALID_REFRESH_TOKEN"_s},
        {"USER_NOT_FOUND", ended, u"USER_NOT_FOUND"_s},
        {"CREDENTIAL_TOO_OLD_LOGIN_AGAIN", u"For your security, sign out and sign in again, then try once more."_s,
         u"CREDENTIAL_TOO_OLD_LOGIN_AGAIN"_s},
        {"email_exists", u"Sign-in failed (\u2068email_exists\u2069)."_s, u"email_exists"_s},
        {"QUOTA_EXCEEDED : Exceeded quota.", u"Sign-in failed (\u2068QUOTA_EXCEEDED : Exceeded quota.\u2069)."_s,
         u"QUOTA_EXCEEDED"_s},
        // A message of the service's own making can not reorder, break or flood the sentence.
        {"BLOCKED : \u202Eelif.exe\u2069\r\nVisit\x1B[0m evil.example",
         u"Sign-in failed (\u2068BLOCKED : elif.exe Visit[0m evil.example\u2069)."_s, u"BLOCKED"_s},
        {"FLOOD " + std::string(10240, 'x'),
         u"Sign-in failed (\u2068FLOOD "_s + QString(294, u'x') + u"\u2026\u2069)."_s, u"FLOOD"_s},
    };
    for (const auto& row : rows) {
        fake.fail("signInWithPassword", row.message);
        const AuthError error = failure(discard(Auth::signIn(u"a@example.com"_s, u"pw"_s, config)));
        EXPECT_EQ(error.description(), row.sentence) << row.message;
        EXPECT_EQ(error.code, row.code) << row.message;
    }

    // An answer without the service's error object names its status.
    fake.answer("signInWithPassword", {500, "<html><body>Internal error</body></html>", "text/html"});
    AuthError html = failure(discard(Auth::signIn(u"a@example.com"_s, u"pw"_s, config)));
    EXPECT_EQ(html.description(), u"Sign-in failed (HTTP 500)."_s);
    EXPECT_EQ(html.code, u"HTTP"_s);
    fake.answer("token", {403, "", "text/plain"});
    AuthError bare = failure(discard(Auth::refresh(signedIn(), config)));
    EXPECT_EQ(bare.description(), u"Sign-in failed (HTTP 403)."_s);
}

// How a sign-in answer becomes a session: the lifetime less the margin, and the name rule.
TEST(Auth, SignInAnswersBuildTheSession) {
    FakeClock clock;
    FakeIdentity fake;
    const CloudConfig config = fake.config();
    const QDateTime now = clock.now();
    struct Row {
        const char* what;
        QJsonObject changes;
        qint64 lifetime;
        std::optional<QString> name;
        QString email;
    };
    const QList<Row> rows = {
        {"string lifetime", {}, 3480, std::nullopt, u"ada@example.com"_s},
        {"longer lifetime", {{u"expiresIn"_s, u"7200"_s}}, 7080, std::nullopt, u"ada@example.com"_s},
        {"no lifetime", {{u"expiresIn"_s, QJsonValue::Null}}, 3480, std::nullopt, u"ada@example.com"_s},
        {"unreadable lifetime", {{u"expiresIn"_s, u"soon"_s}}, 3480, std::nullopt, u"ada@example.com"_s},
        {"numeric lifetime", {{u"expiresIn"_s, 7200}}, 3480, std::nullopt, u"ada@example.com"_s},
        {"display name",
         {{u"displayName"_s, u"Ada"_s}, {u"fullName"_s, u"Ada Lovelace"_s}},
         3480,
         u"Ada"_s,
         u"ada@example.com"_s},
        {"empty display name",
         {{u"displayName"_s, u""_s}, {u"fullName"_s, u"Ada Lovelace"_s}},
         3480,
         std::nullopt,
         u"ada@example.com"_s},
        {"full name only", {{u"fullName"_s, u"Ada Lovelace"_s}}, 3480, u"Ada Lovelace"_s, u"ada@example.com"_s},
        {"no address", {{u"email"_s, QJsonValue::Null}}, 3480, std::nullopt, u""_s},
    };
    for (const auto& row : rows) {
        fake.answerJson("signInWithPassword", tokens(row.changes));
        const Session s = runSync(Auth::signIn(u"ada@example.com"_s, u"pw"_s, config));
        EXPECT_EQ(now.secsTo(s.expires), row.lifetime) << row.what;
        EXPECT_EQ(s.name, row.name) << row.what;
        EXPECT_EQ(s.email, row.email) << row.what;
        EXPECT_EQ(s.uid, u"uid-9"_s);
        EXPECT_EQ(s.provider, u"password"_s);
        EXPECT_EQ(s.emailVerified, std::nullopt) << row.what;
    }

    fake.answerJson("signUp", tokens());
    EXPECT_EQ(runSync(Auth::signUp(u"a@example.com"_s, u"pw"_s, config)).emailVerified, false);
    fake.answerJson("signInWithIdp", tokens());
    const Session google = runSync(Auth::signIn(Auth::GoogleIDToken{u"t"_s}, config));
    EXPECT_EQ(google.provider, u"google.com"_s);
    EXPECT_EQ(google.emailVerified, true);

    const QString incomplete = u"Sign-in failed: the server's answer was incomplete."_s;
    fake.answerJson("signInWithPassword", tokens({{u"refreshToken"_s, QJsonValue::Null}}));
    AuthError missing = failure(discard(Auth::signIn(u"a@example.com"_s, u"pw"_s, config)));
    EXPECT_EQ(missing.description(), incomplete);
    EXPECT_TRUE(missing.code.isEmpty());
    fake.answerJson("signInWithPassword", tokens({{u"localId"_s, 42}}));
    EXPECT_EQ(failure(discard(Auth::signIn(u"a@example.com"_s, u"pw"_s, config))).description(), incomplete);
    fake.answer("signInWithPassword", {200, "<html>ok</html>", "text/html"});
    EXPECT_EQ(failure(discard(Auth::signIn(u"a@example.com"_s, u"pw"_s, config))).description(), incomplete);
}

// The renewal: a form body whose token arrives unchanged, its own lifetime fall-back, and a
// session that keeps everything but its tokens.
TEST(Auth, RefreshRenewsOnlyTheTokens) {
    FakeClock clock;
    FakeIdentity fake;
    const CloudConfig config = fake.config();
    Session old = signedIn();
    old.refreshToken = u"a+b/c=d&e"_s;
    old.provider = u"google.com"_s;

    fake.answerJson("token",
                    {{u"id_token"_s, u"id-2"_s}, {u"refresh_token"_s, u"refresh-2"_s}, {u"expires_in"_s, u"3600"_s}});
    const Session renewed = runSync(Auth::refresh(old, config));
    const auto request = fake.calls().back();
    EXPECT_EQ(request.target, "/securetoken.googleapis.com/v1/token?key=test-key");
    EXPECT_EQ(request.contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(request.body, "grant_type=refresh_token&refresh_token=a%2Bb%2Fc%3Dd%26e");
    const QUrlQuery parsed(QString::fromStdString(request.body));
    EXPECT_EQ(parsed.queryItemValue(u"refresh_token"_s, QUrl::FullyDecoded), old.refreshToken);

    Session expected = old;
    expected.idToken = u"id-2"_s;
    expected.refreshToken = u"refresh-2"_s;
    expected.expires = clock.now().addSecs(3480);
    EXPECT_EQ(renewed, expected);

    fake.answerJson("token", {{u"id_token"_s, u"i"_s}, {u"refresh_token"_s, u"r"_s}, {u"expires_in"_s, u"later"_s}});
    EXPECT_EQ(clock.now().secsTo(runSync(Auth::refresh(old, config)).expires), 3400);
    fake.answerJson("token", {{u"id_token"_s, u"i"_s}, {u"refresh_token"_s, u"r"_s}});
    EXPECT_EQ(clock.now().secsTo(runSync(Auth::refresh(old, config)).expires), 3480);

    fake.answerJson("token", {{u"id_token"_s, u"i"_s}});
    AuthError incomplete = failure(discard(Auth::refresh(old, config)));
    EXPECT_EQ(incomplete.description(), u"Couldn't refresh your session."_s);
    EXPECT_TRUE(incomplete.code.isEmpty());
    fake.fail("token", "INVALID_REFRESH_TOKEN");
    AuthError revoked = failure(discard(Auth::refresh(old, config)));
    EXPECT_EQ(revoked.description(), u"Your session ended. Sign in again."_s);
    EXPECT_EQ(revoked.code, u"INVALID_REFRESH_TOKEN"_s);
}

TEST(Auth, ProfileReadsTheFirstUserAndResetHidesUnknownAddresses) {
    FakeIdentity fake;
    const CloudConfig config = fake.config();
    struct Row {
        QJsonObject reply;
        std::optional<QString> name;
        bool verified;
    };
    const QJsonObject ada{{u"displayName"_s, u"Ada"_s}, {u"emailVerified"_s, true}};
    const QList<Row> rows = {
        {{{u"users"_s, QJsonArray{ada, QJsonObject{}}}}, u"Ada"_s, true},
        {{{u"users"_s, QJsonArray{}}}, std::nullopt, false},
        {{{u"users"_s, QJsonArray{ada, 7}}}, std::nullopt, false},
        {{{u"users"_s, ada}}, std::nullopt, false},
        {{{u"users"_s, QJsonArray{QJsonObject{{u"displayName"_s, u""_s}, {u"emailVerified"_s, u"true"_s}}}}},
         std::nullopt,
         false},
    };
    for (const auto& row : rows) {
        fake.answerJson("lookup", row.reply);
        const Auth::Profile profile = runSync(Auth::profile(signedIn(), config));
        EXPECT_EQ(profile.name, row.name);
        EXPECT_EQ(profile.verified, row.verified);
    }

    fake.fail("sendOobCode", "EMAIL_NOT_FOUND");
    EXPECT_NO_THROW(runSync(Auth::sendPasswordReset(u"nobody@example.com"_s, config)));
    fake.fail("sendOobCode", "TOO_MANY_ATTEMPTS_TRY_LATER");
    EXPECT_EQ(failure(Auth::sendPasswordReset(u"a@example.com"_s, config)).description(),
              u"Too many attempts. Wait a few minutes and try again."_s);
    // The same code on the confirmation mail is not hidden.
    fake.fail("sendOobCode", "EMAIL_NOT_FOUND");
    EXPECT_EQ(failure(Auth::sendEmailConfirmation(signedIn(), config)).code, u"EMAIL_NOT_FOUND"_s);
}

// A server that accepts the call and then sends nothing ends at the per-request idle limit with
// the transport's own error.
TEST(Auth, AStalledAnswerEndsAtTheIdleLimit) {
    Net::resetForTest(Net::Limits{std::chrono::milliseconds(20000), std::chrono::milliseconds(300)});
    FakeIdentity fake;
    fake.answer("lookup", {200, "{}", "application/json", std::chrono::milliseconds(1500)});
    try {
        runSync(discard(Auth::profile(signedIn(), fake.config())));
        ADD_FAILURE() << "the stalled call returned";
    } catch (const TransportError& error) {
        EXPECT_EQ(error.kind, TransportError::Kind::TimedOut);
    }
    Net::resetForTest();
}

// A 307 or 308 re-sends the body, password or token included: it may only lead back to the
// service's own origin. Another origin (here another port) never sees the request.
TEST(Auth, CredentialsNeverFollowARedirectToAnotherOrigin) {
    LoopbackServer thief;
    thief.http().Post(".*", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"localId":"u","idToken":"i","refreshToken":"r"})", "application/json");
    });
    thief.start();
    LoopbackServer service;
    // One request per connection: Qt would otherwise re-post on a connection the server closes.
    service.http().set_keep_alive_max_count(1);
    service.http().set_keep_alive_timeout(0);
    std::atomic<int> status = 307;
    service.http().Post(".*", [&](const httplib::Request& req, httplib::Response& res) {
        if (req.path.rfind("/same", 0) == 0) {
            res.set_content(R"({"localId":"u","idToken":"i","refreshToken":"r","id_token":"i","refresh_token":"r"})",
                            "application/json");
            return;
        }
        const bool toSame = req.target.find("same=1") != std::string::npos;
        res.status = status;
        res.set_header("Location", toSame ? service.url("/same").toString().toStdString()
                                          : thief.url("/steal").toString().toStdString());
    });
    service.start();
    const CloudConfig config =
        CloudConfig::emulator(u"k"_s, u"demo-p"_s, u"127.0.0.1:"_s + QString::number(service.port()));
    CloudConfig toSame = config;
    toSame.apiKey = u"k&same=1"_s; // joined unencoded into the query: marks the request

    const std::function<QCoro::Task<void>(const CloudConfig&)> calls[] = {
        [](const CloudConfig& c) { return discard(Auth::signUp(u"ada@example.com"_s, u"pw-123456"_s, c)); },
        [](const CloudConfig& c) { return discard(Auth::signIn(u"ada@example.com"_s, u"pw-123456"_s, c)); },
        [](const CloudConfig& c) { return discard(Auth::refresh(signedIn(), c)); },
        [](const CloudConfig& c) { return Auth::sendEmailConfirmation(signedIn(), c); },
    };
    for (const int code : {307, 308}) {
        status = code;
        for (const auto& call : calls) {
            EXPECT_THROW(runSync(call(config)), TransportError) << code;
            EXPECT_NO_THROW(runSync(call(toSame))) << code; // its own origin may move a call
        }
    }
    EXPECT_EQ(thief.requestCount(), 0);
}
