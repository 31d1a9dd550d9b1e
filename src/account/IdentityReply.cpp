#include "account/IdentityReply.h"

#include "runtime/OutsideText.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace IdentityReply {
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
        {u"CREDENTIAL_TOO_OLD_LOGIN_AGAIN"_s, u"For your security, sign out and sign in again, then try once more."_s},
    };
    const auto known = sentences.constFind(code);
    const QString shown = status ? message : OutsideText::isolated(message);
    return AuthError(known != sentences.constEnd() ? *known : u"Sign-in failed ("_s + shown + u")."_s, code);
}

// A lifetime in seconds as the services write it (a plain number in a string), less the margin
// that renews the token before the server would refuse it; `fallback` when it is not a number.
qint64 lifetime(const QJsonValue& value, qint64 fallback) {
    static const QRegularExpression number(u"^[0-9]{1,9}(\\.[0-9]+)?\\z"_s);
    const QString text = value.isString() ? value.toString() : u"3600"_s;
    if (!number.match(text).hasMatch())
        return fallback;
    return static_cast<qint64>(text.toDouble() * 1000.0) - 120 * 1000;
}

} // namespace

QJsonObject object(const QByteArray& body) {
    const QJsonDocument document = QJsonDocument::fromJson(body);
    return document.isObject() ? document.object() : QJsonObject();
}

std::optional<AuthError> refusal(int status, const QJsonObject& reply) {
    if (status >= 200 && status <= 299)
        return std::nullopt;
    const QJsonValue message = reply.value(u"error"_s).toObject().value(u"message"_s);
    return message.isString() ? firebaseError(message.toString())
                              : firebaseError(u"HTTP "_s + QString::number(status), true);
}

Session session(const QJsonObject& reply, const QString& provider, const QDateTime& now) {
    const QJsonValue uid = reply.value(u"localId"_s);
    const QJsonValue idToken = reply.value(u"idToken"_s);
    const QJsonValue refreshToken = reply.value(u"refreshToken"_s);
    if (!uid.isString() || !idToken.isString() || !refreshToken.isString())
        throw AuthError(u"Sign-in failed: the server's answer was incomplete."_s);

    Session result;
    result.uid = uid.toString();
    result.idToken = idToken.toString();
    result.refreshToken = refreshToken.toString();
    result.expires = now.addMSecs(lifetime(reply.value(u"expiresIn"_s), 3480 * 1000));
    result.email = reply.value(u"email"_s).toString();
    result.provider = provider;
    const QJsonValue displayName = reply.value(u"displayName"_s);
    const QJsonValue fullName = reply.value(u"fullName"_s);
    const QString name = displayName.isString() ? displayName.toString() : fullName.toString();
    if (!name.isEmpty())
        result.name = name;
    return result;
}

AccountHooks::Profile profile(const QJsonObject& reply) {
    const QJsonValue users = reply.value(u"users"_s);
    AccountHooks::Profile result;
    if (!users.isArray() || users.toArray().isEmpty())
        return result;
    for (const QJsonValue& user : users.toArray())
        if (!user.isObject())
            return result;
    const QJsonObject first = users.toArray().first().toObject();
    const QString name = first.value(u"displayName"_s).toString();
    if (!name.isEmpty())
        result.name = name;
    result.verified = first.value(u"emailVerified"_s).toBool(false);
    return result;
}

Session renewed(Session session, const QJsonObject& reply, const QDateTime& now) {
    const QJsonValue idToken = reply.value(u"id_token"_s);
    const QJsonValue refreshToken = reply.value(u"refresh_token"_s);
    if (!idToken.isString() || !refreshToken.isString())
        throw AuthError(u"Couldn't refresh your session."_s);
    session.idToken = idToken.toString();
    session.refreshToken = refreshToken.toString();
    session.expires = now.addMSecs(lifetime(reply.value(u"expires_in"_s), 3400 * 1000));
    return session;
}

} // namespace IdentityReply
