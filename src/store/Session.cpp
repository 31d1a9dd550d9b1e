#include "store/Session.h"

#include "platform/system/ReferenceDate.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

QByteArray Session::encoded() const {
    QJsonObject object{
        {u"uid"_s, uid},
        {u"email"_s, email},
        {u"idToken"_s, idToken},
        {u"refreshToken"_s, refreshToken},
        {u"expires"_s, ReferenceDate::seconds(expires)},
        {u"provider"_s, provider},
    };
    if (name)
        object.insert(u"name"_s, *name);
    if (emailVerified)
        object.insert(u"emailVerified"_s, *emailVerified);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Session> Session::decoded(const QByteArray& data) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    Session session;
    const std::pair<QString, QString*> texts[] = {
        {u"uid"_s, &session.uid},           {u"email"_s, &session.email},
        {u"idToken"_s, &session.idToken},   {u"refreshToken"_s, &session.refreshToken},
        {u"provider"_s, &session.provider},
    };
    for (const auto& [key, field] : texts) {
        const QJsonValue value = object.value(key);
        if (!value.isString())
            return std::nullopt;
        *field = value.toString();
    }
    const QJsonValue expires = object.value(u"expires"_s);
    if (!expires.isDouble())
        return std::nullopt;
    const auto date = ReferenceDate::fromSeconds(expires.toDouble());
    if (!date)
        return std::nullopt;
    session.expires = *date;

    // An optional key may be absent or null; any other type makes the whole object unreadable.
    const QJsonValue name = object.value(u"name"_s);
    if (name.isString())
        session.name = name.toString();
    else if (!name.isUndefined() && !name.isNull())
        return std::nullopt;
    const QJsonValue verified = object.value(u"emailVerified"_s);
    if (verified.isBool())
        session.emailVerified = verified.toBool();
    else if (!verified.isUndefined() && !verified.isNull())
        return std::nullopt;
    return session;
}
