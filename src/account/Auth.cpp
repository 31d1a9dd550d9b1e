#include "account/Auth.h"

#include "account/IdentityReply.h"
#include "model/Launch.h"
#include "model/MainBundle.h"
#include "model/Vault.h"
#include "runtime/AuthError.h"
#include "runtime/Blocking.h"
#include "runtime/Clock.h"
#include "sources/Net.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QMutex>
#include <QNetworkRequest>

#include <future>

using namespace Qt::Literals::StringLiterals;

namespace Auth {
namespace {

// Sends a prepared call and gives the answer's object (the empty object for anything else); a
// status outside 2xx throws the server's error.
QCoro::Task<QJsonObject> send(QNetworkRequest request, QByteArray body) {
    const Net::Response response = co_await Net::send(std::move(request), "POST", std::move(body));
    const QJsonObject reply = IdentityReply::object(response.body);
    if (response.status)
        if (auto refused = IdentityReply::refusal(*response.status, reply))
            throw std::move(*refused);
    co_return reply;
}

QCoro::Task<QJsonObject> call(QString method, QJsonObject body, CloudConfig config) {
    co_return co_await send(credentialRequest(config.identity(method), "application/json"),
                            QJsonDocument(body).toJson(QJsonDocument::Compact));
}

} // namespace

QNetworkRequest credentialRequest(const QUrl& url, const QByteArray& contentType) {
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(Net::shared().limits().request.count()));
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    // A 307 or 308 re-sends the body: it may only lead back to the service it was meant for.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    return request;
}

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

namespace {

// The writes the keychain thread still owes: the last session asked for under each item. Saves
// that pile up behind a slow keyring collapse into the last one, so the thread catches up after
// at most one more write, and the pools' teardown waits for it (Blocking::settle).
struct Owed {
    QString service;
    QString account;
    bool override = false;
    std::optional<QByteArray> data;
};

struct Ledger {
    QMutex lock;
    QMap<QString, Owed> owed; // by service, account and where it is kept
    bool flushing = false;
};

Ledger& ledger() {
    static Ledger value;
    return value;
}

void write(const Owed& item) {
    if (item.override) {
        Vault::write(item.service, item.account, item.data);
        return;
    }
    // Always written afresh: delete, then add.
    Vault::quiet();
    Vault::keychainDelete(item.service, item.account);
    if (item.data)
        Vault::keychainAdd(item.service, item.account, *item.data);
}

void flush() {
    Ledger& book = ledger();
    for (;;) {
        QMap<QString, Owed> batch;
        {
            QMutexLocker locker(&book.lock);
            if (book.owed.isEmpty()) {
                book.flushing = false;
                return;
            }
            batch.swap(book.owed);
        }
        for (const Owed& item : std::as_const(batch))
            write(item);
    }
}

} // namespace

void save(std::optional<Session> session) {
    Owed item{service(), account(), Vault::folder().has_value(), std::nullopt};
    if (session)
        item.data = session->encoded();
    Ledger& book = ledger();
    QMutexLocker locker(&book.lock);
    const QString key = item.service + u'\n' + item.account + (item.override ? u"\nfile"_s : QString());
    book.owed.insert(key, std::move(item));
    if (book.flushing)
        return;
    book.flushing = true;
    Blocking::pool(Blocking::Pool::Keychain).start(flush);
}

QCoro::Task<bool> keepsSessions() {
    if (Vault::folder())
        co_return true;
    co_return co_await Blocking::run([] { return Vault::keychainAvailable(); }, Blocking::Pool::Keychain);
}

QCoro::Task<Session> signUp(QString email, QString password, CloudConfig config) {
    const QJsonObject body{{u"email"_s, email}, {u"password"_s, password}, {u"returnSecureToken"_s, true}};
    const QJsonObject reply = co_await call(u"signUp"_s, body, config);
    Session result = IdentityReply::session(reply, u"password"_s, Clock::shared().now());
    result.emailVerified = false;
    co_return result;
}

QCoro::Task<Session> signIn(QString email, QString password, CloudConfig config) {
    const QJsonObject body{{u"email"_s, email}, {u"password"_s, password}, {u"returnSecureToken"_s, true}};
    const QJsonObject reply = co_await call(u"signInWithPassword"_s, body, config);
    co_return IdentityReply::session(reply, u"password"_s, Clock::shared().now());
}

QCoro::Task<Session> signIn(GoogleIDToken token, CloudConfig config) {
    const QString postBody = u"id_token="_s + token.value + u"&providerId="_s + googleProvider;
    const QJsonObject body{{u"postBody"_s, postBody},
                           {u"requestUri"_s, u"http://localhost"_s},
                           {u"returnSecureToken"_s, true},
                           {u"returnIdpCredential"_s, true}};
    const QJsonObject reply = co_await call(u"signInWithIdp"_s, body, config);
    Session result = IdentityReply::session(reply, googleProvider, Clock::shared().now());
    result.emailVerified = true;
    co_return result;
}

QCoro::Task<void> updateName(QString name, Session session, CloudConfig config) {
    const QJsonObject body{{u"idToken"_s, session.idToken}, {u"displayName"_s, name}, {u"returnSecureToken"_s, false}};
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
    const QJsonObject reply = co_await call(u"lookup"_s, body, config);
    co_return IdentityReply::profile(reply);
}

QCoro::Task<void> deleteAccount(Session session, CloudConfig config) {
    const QJsonObject body{{u"idToken"_s, session.idToken}};
    co_await call(u"delete"_s, body, config);
}

QCoro::Task<Session> refresh(Session session, CloudConfig config) {
    // The token is form-encoded: a "+" or "/" in it would otherwise reach the server changed.
    const QByteArray body = "grant_type=refresh_token&refresh_token=" + QUrl::toPercentEncoding(session.refreshToken);
    const QJsonObject reply =
        co_await send(credentialRequest(config.tokenURL(), "application/x-www-form-urlencoded"), body);
    co_return IdentityReply::renewed(std::move(session), reply, Clock::shared().now());
}

} // namespace Auth
