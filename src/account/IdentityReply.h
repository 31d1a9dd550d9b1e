#pragma once

#include "runtime/AuthError.h"
#include "store/AccountHooks.h"
#include "store/Session.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

// What the identity and token services answer, read without the network: the sentences of
// their refusals, the session of a sign-in, the profile and the renewed tokens. The answers are
// untrusted: every shape reads as one of the Parts' outcomes, never a crash.
namespace IdentityReply {

// The answer's JSON object; the empty object for anything else.
QJsonObject object(const QByteArray& body);

// The server's refusal for a status outside 2xx, its code the message's text before the first
// space; nothing for a success.
std::optional<AuthError> refusal(int status, const QJsonObject& reply);

// The session of a sign-in answer; throws AuthError when a token or the user id is missing.
Session session(const QJsonObject& reply, const QString& provider, const QDateTime& now);

// The first user's name and confirmation state of a lookup answer.
AccountHooks::Profile profile(const QJsonObject& reply);

// `session` with the renewed tokens of a token answer; throws AuthError when they are missing.
Session renewed(Session session, const QJsonObject& reply, const QDateTime& now);

} // namespace IdentityReply
