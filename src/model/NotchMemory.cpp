#include "model/NotchMemory.h"

#include "platform/system/ReferenceDate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

std::optional<QStringList> strings(const QJsonValue& value) {
    if (!value.isArray())
        return std::nullopt;
    QStringList list;
    for (const auto& element : value.toArray()) {
        if (!element.isString())
            return std::nullopt;
        list.append(element.toString());
    }
    return list;
}

// An absent or null date is no date; anything else must be a number of seconds.
bool readDate(const QJsonObject& object, const QString& key, std::optional<QDateTime>& out) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isDouble())
        return false;
    out = ReferenceDate::fromSeconds(value.toDouble());
    return out.has_value();
}

} // namespace

QByteArray NotchMemory::toJson() const {
    QJsonObject object;
    if (lastShown)
        object.insert(QStringLiteral("lastShown"), ReferenceDate::seconds(*lastShown));
    object.insert(QStringLiteral("lastShownKeys"), QJsonArray::fromStringList(lastShownKeys));
    if (snoozedUntil)
        object.insert(QStringLiteral("snoozedUntil"), ReferenceDate::seconds(*snoozedUntil));
    object.insert(QStringLiteral("dismissedKeys"), QJsonArray::fromStringList(dismissedKeys));
    object.insert(QStringLiteral("dismissals"), dismissals);
    object.insert(QStringLiteral("askedToStop"), askedToStop);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<NotchMemory> NotchMemory::fromJson(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    NotchMemory memory;
    auto shownKeys = strings(object.value(QStringLiteral("lastShownKeys")));
    auto dismissedKeys = strings(object.value(QStringLiteral("dismissedKeys")));
    const QJsonValue dismissals = object.value(QStringLiteral("dismissals"));
    const QJsonValue asked = object.value(QStringLiteral("askedToStop"));
    if (!shownKeys || !dismissedKeys || !dismissals.isDouble() || !asked.isBool())
        return std::nullopt;
    // An integer field takes only a whole number.
    const double count = dismissals.toDouble();
    if (count != std::floor(count) || std::fabs(count) > 9.0e15)
        return std::nullopt;
    if (!readDate(object, QStringLiteral("lastShown"), memory.lastShown) ||
        !readDate(object, QStringLiteral("snoozedUntil"), memory.snoozedUntil))
        return std::nullopt;
    memory.lastShownKeys = std::move(*shownKeys);
    memory.dismissedKeys = std::move(*dismissedKeys);
    memory.dismissals = dismissals.toInteger();
    memory.askedToStop = asked.toBool();
    return memory;
}
