#include "account/Auth.h"

#include "model/Launch.h"
#include "model/MainBundle.h"
#include "model/Vault.h"
#include "runtime/AuthError.h"
#include "runtime/Blocking.h"
#include "runtime/Clock.h"
#include "runtime/OutsideText.h"
#include "sources/Net.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QRegularExpression>

#include <future>

using namespace Qt::Literals::StringLiterals;

namespace Auth {
namespace {

// The sentence for a server message; its code is the text before the first space. A message of
// the service's own sits isolated in ours; `status` is our stand-in for an answer without one.
AuthError firebaseError(const QString& message, bool status = false) {
    const qsizetype space = message.indexOf(u' ');
    const QString code = space < 0 ? message : message.left(space);
    static const QHash<QString, QString> sentences = {
        {u"EMAIL_EXISTS"_s, u"That email can't be used for a new account. Sign in instead, or use another email."_s},
        {u"EMAIL_NOT_FOUND"_s, u"That email and password don't match."_s},
        {u"INVALID_PASSWORD"_s, u"That email and password don't match."_s},
        {u"INVALID_LOGIN_CREDENTIALS"_s, u"That email and password don't match."_s},
        {u"WEAK_PASSWORD"_s, u"Use a password of at least 6 characters."_s},
        {u"INVALID_EMAIL"_s, u"That doesn't look like an email address."_s},
        {u"TOO_MANY_ATTEMPTS_TRY_LATER"_s, u"Too many attempts. Wait a few minutes and try again."_s},
        {u"USER_DISABLED"_s, u"This account has been disabled."_s},
        {u"OPERATION_NOT_ALLOWED"_s, u"This sign-in method isn't switched on for Quenlark yet."_s},
        {u"TOKEN_EXPIRED"_s, u"Your session ended. Sign in again."_s},
        {u"INVALID_REFRESH_TOKEN"_s, u"Your session ended. Sign in again."_s},
        {u"USER_NOT_FOUND"_s, u"Your session ended. Sign in again."_s},
        {u"CREDENTIAL_TOO_OLD_LOGIN_AGAIN"_s,
         u"For your security, sign out and sign in again, then try once more."_s},
    };
    const auto known = sentences.constFind(code);
    const QString shown = status ? message : OutsideText::isolated(message);
    return AuthError(known != sentences.constEnd() ? *known : u"Sign-in failed ("_s + shown + u")."_s, code);
}

QNetworkRequest request(const QUrl& url, const QByteArray& contentType) {
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(Net::shared().limits().request.count()));
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    return request;
}

// Sends a prepared call and gives the answer's object (the empty object for anything else); a
// status outside 2xx throws the server's error.
QCoro::Task<QJsonObject> send(QNetworkRequest request, QByteArray body) {
    const Net::Response response = co_await Net::send(std::move(request), "POST", std::move(body));
    const QJsonDocument document = QJsonDocument::fromJson(response.body);
    const QJsonObject reply = document.isObject() ? document.object() : QJsonObject();
    if (response.status && (*response.status < 200 || *response.status > 299)) {
        const QJsonValue message = reply.value(u"error"_s).toObject().value(u"message"_s);
        throw message.isString() ? firebaseError(message.toString())
                                 : firebaseError(u"HTTP "_s + QString::number(*response.status), true);
    }
    co_return reply;
}

QCoro::Task<QJsonObject> call(QString method, QJsonObject body, CloudConfig config) {
    co_return co_await send(request(config.identity(method), "application/json"),
                            QJsonDocument(body).toJson(QJsonDocument::Compact));
}

// A lifetime in seconds as the services write it (a plain number in a string), less the margin
// that renews the token before the server would refuse it; `fallback` when it is not a number.
qint64 lifetime(const QJsonValue& value, qint64 fallback) {
    static const QRegularExpression number(u"^[0-9]{1,9}(\\.[0-9]+)?$"_s);
    const QString text = value.isString() ? value.toString() : u"3600"_s;
    if (!number.match(text).hasMatch())
        return fallback;
    return static_cast<qint64>(text.toDouble() * 1000.0) - 120 * 1000;
}

Session session(const QJsonObject& reply, const QString& provider) {
    const QJsonValue uid = reply.value(u"localId"_s);
    const QJsonValue idToken = reply.value(u"idToken"_s);
    const QJsonValue refreshToken = reply.value(u"refreshToken"_s);
    if (!uid.isString() || !idToken.isString() || !refreshToken.isString())
        throw AuthError(u"Sign-in failed: the server's answer was incomplete."_s);

    Session result;
    result.uid = uid.toString();
    result.idToken = idToken.toString();
    result.refreshToken = refreshToken.toString();
    result.expires = Clock::shared().now().addMSecs(lifetime(reply.value(u"expiresIn"_s), 3480 * 1000));
    result.email = reply.value(u"email"_s).toString();
    result.provider = provider;
    const QJsonValue displayName = reply.value(u"displayName"_s);
    const QJsonValue fullName = reply.value(u"fullName"_s);
    const QString name = displayName.isString() ? displayName.toString() : fullName.toString();
    if (!name.isEmpty())
        result.name = name;
    return result;
}

} // namespace

QString service() { return MainBundle::identifier() + u".account"_s; }

QString account() {
    if (Launch::sandbox())
        return u"session-test"_s;
    const auto& config = CloudConfig::current();
    return config && config->emulated ? u"session-test"_s : u"session"_s;
}

std::optional<Session> load() {
    const QString name = service();
    const QString who = account();
    const std::optional<QString> folder = Vault::folder();
    auto read = [name, who, folder]() -> std::optional<QByteArray> {
        if (folder) {
            QFile file(QDir(*folder).filePath(name + u'.' + who));
            if (!file.open(QIODevice::ReadOnly))
                return std::nullopt;
            return file.readAll();
        }
        Vault::quiet();
        return Vault::keychainRead(name, who);
    };
    // The Secret Service is never asked on the GUI thread; its calls are bounded, so waiting
    // here is bounded too.
    std::promise<std::optional<QByteArray>> promise;
    std::future<std::optional<QByteArray>> answer = promise.get_future();
    Blocking::pool(Blocking::Pool::Keychain).start([&promise, &read] { promise.set_value(read()); });
    const std::optional<QByteArray> data = answer.get();
    if (!data)
        return std::nullopt;
    return Session::decoded(*data);
}

void save(std::optional<Session> session) {
    const QString name = service();
    const QString who = account();
    const bool override = Vault::folder().has_value();
    std::optional<QByteArray> data;
    if (session)
        data = session->encoded();
    // Always written afresh: delete, then add. The one keychain thread keeps saves in order.
    Blocking::pool(Blocking::Pool::Keychain).start([name, who, override, data] {
        if (override) {
            Vault::write(name, who, data);
            return;
        }
        Vault::quiet();
        Vault::keychainDelete(name, who);
        if (data)
            Vault::keychainAdd(name, who, *data);
    });
}

QCoro::Task<Session> signUp(QString email, QString password, CloudConfig config) {
    const QJsonObject body{{u"email"_s, email}, {u"password"_s, password}, {u"returnSecureToken"_s, true}};
    const QJsonObject reply = co_await call(u"signUp"_s, body, config);
    Session result = session(reply, u"password"_s);
    result.emailVerified = false;
    co_return result;
}

QCoro::Task<Session> signIn(QString email, QString password, CloudConfig config) {
    const QJsonObject body{{u"email"_s, email}, {u"password"_s, password}, {u"returnSecureToken"_s, true}};
    const QJsonObject reply = co_await call(u"signInWithPassword"_s, body, config);
    co_return session(reply, u"password"_s);
}

QCoro::Task<Session> signIn(GoogleIDToken token, CloudConfig config) {
    const QString postBody = u"id_token="_s + token.value + u"&providerId="_s + googleProvider;
    const QJsonObject body{{u"postBody"_s, postBody},
                    {u"requestUri"_s, u"http://localhost"_s},
                    {u"returnSecureToken"_s, true},
                    {u"returnIdpCredential"_s, true}};
    const QJsonObject reply = co_await call(u"signInWithIdp"_s, body, config);
    Session result = session(reply, googleProvider);
    result.emailVerified = true;
    co_return result;
}

QCoro::Task<void> updateName(QString name, Session session, CloudConfig config) {
    const QJsonObject body{{u"idToken"_s, session.idToken},
                              {u"displayName"_s, name},
                              {u"returnSecureToken"_s, false}};
    co_await call(u"update"_s, body, config);
}

QCoro::Task<void> sendEmailConfirmation(Session session, CloudConfig config) {
    const QJsonObject body{{u"requestType"_s, u"VERIFY_EMAIL"_s}, {u"idToken"_s, session.idToken}};
    co_await call(u"sendOobCode"_s, body, config);
}

QCoro::Task<void> sendPasswordReset(QString email, CloudConfig config) {
    std::exception_ptr failure;
    try {
        const QJsonObject body{{u"requestType"_s, u"PASSWORD_RESET"_s}, {u"email"_s, email}};
        co_await call(u"sendOobCode"_s, body, config);
    } catch (const AuthError& error) {
        // The same answer whether or not the address has an account.
        if (error.code != u"EMAIL_NOT_FOUND"_s)
            failure = std::current_exception();
    }
    if (failure)
        std::rethrow_exception(failure);
}

QCoro::Task<Profile> profile(Session session, CloudConfig config) {
    const QJsonObject body{{u"idToken"_s, session.idToken}};
    const QJsonObject reply =
        co_await call(u"lookup"_s, body, config);
    const QJsonValue users = reply.value(u"users"_s);
    Profile result;
    if (!users.isArray() || users.toArray().isEmpty())
        co_return result;
    for (const QJsonValue& user : users.toArray())
        if (!user.isObject())
            co_return result;
    const QJsonObject first = users.toArray().first().toObject();
    const QString name = first.value(u"displayName"_s).toString();
    if (!name.isEmpty())
        result.name = name;
    result.verified = first.value(u"emailVerified"_s).toBool(false);
    co_return result;
}

QCoro::Task<void> deleteAccount(Session session, CloudConfig config) {
    const QJsonObject body{{u"idToken"_s, session.idToken}};
    co_await call(u"delete"_s, body, config);
}

QCoro::Task<Session> refresh(Session session, CloudConfig config) {
    // The token is form-encoded: a "+" or "/" in it would otherwise reach the server changed.
    const QByteArray body = "grant_type=refresh_token&refresh_token=" +
                            QUrl::toPercentEncoding(session.refreshToken);
    const QJsonObject reply = co_await send(
        request(config.tokenURL(), "application/x-www-form-urlencoded"), body);
    const QJsonValue idToken = reply.value(u"id_token"_s);
    const QJsonValue refreshToken = reply.value(u"refresh_token"_s);
    if (!idToken.isString() || !refreshToken.isString())
        throw AuthError(u"Couldn't refresh your session."_s);
    Session renewed = session;
    renewed.idToken = idToken.toString();
    renewed.refreshToken = refreshToken.toString();
    renewed.expires = Clock::shared().now().addMSecs(lifetime(reply.value(u"expires_in"_s), 3400 * 1000));
    co_return renewed;
}

} // namespace Auth
