#include "model/SettingValues.h"

#include "platform/system/Defaults.h"

namespace {

bool keepable(const QString& text) { return !text.contains(QChar(0)); }

bool absent(const Defaults& d, const QString& key) { return !d.object(key).isValid(); }

} // namespace

namespace SettingValues {

bool read(const Defaults& d, const QString& key, bool fallback) { return absent(d, key) ? fallback : d.boolean(key); }

qint64 read(const Defaults& d, const QString& key, qint64 fallback) {
    return absent(d, key) ? fallback : d.integer(key);
}

QString read(const Defaults& d, const QString& key, QString fallback) {
    return d.string(key).value_or(std::move(fallback));
}

QStringList read(const Defaults& d, const QString& key, QStringList fallback) {
    return d.stringArray(key).value_or(std::move(fallback));
}

QMap<QString, QString> read(const Defaults& d, const QString& key, QMap<QString, QString> fallback) {
    const auto stored = d.dictionary(key);
    if (!stored)
        return fallback;
    QMap<QString, QString> map;
    for (auto it = stored->begin(); it != stored->end(); ++it) {
        if (it.value().typeId() != QMetaType::QString)
            return {};
        map.insert(it.key(), it.value().toString());
    }
    return map;
}

std::optional<QDateTime> read(const Defaults& d, const QString& key, std::optional<QDateTime> fallback) {
    const auto stored = d.date(key);
    return stored ? stored : fallback;
}

NotchMemory read(const Defaults& d, const QString& key, NotchMemory fallback) {
    const auto stored = d.data(key);
    return stored ? NotchMemory::fromJson(*stored).value_or(std::move(fallback)) : fallback;
}

Theme read(const Defaults& d, const QString& key, Theme fallback) {
    return Themes::from(d.string(key).value_or(QString())).value_or(fallback);
}

NotchMode read(const Defaults& d, const QString& key, NotchMode fallback) {
    if (const auto mode = NotchModes::from(d.string(key).value_or(QString())))
        return *mode;
    const QString legacy = QStringLiteral("notchPanel");
    return absent(d, legacy) || d.boolean(legacy) ? fallback : NotchMode::never;
}

std::optional<QVariant> raw(bool value) { return value; }

std::optional<QVariant> raw(qint64 value) { return value; }

std::optional<QVariant> raw(const QString& value) { return value; }

std::optional<QVariant> raw(const QStringList& value) {
    QStringList kept = value;
    kept.removeIf([](const QString& entry) { return !keepable(entry); });
    return kept;
}

std::optional<QVariant> raw(const QMap<QString, QString>& value) {
    QVariantMap kept;
    for (auto it = value.begin(); it != value.end(); ++it)
        if (keepable(it.key()) && keepable(it.value()))
            kept.insert(it.key(), it.value());
    return kept;
}

std::optional<QVariant> raw(const std::optional<QDateTime>& value) {
    if (!value)
        return std::nullopt;
    return *value;
}

std::optional<QVariant> raw(const NotchMemory& value) { return value.toJson(); }

std::optional<QVariant> raw(Theme value) { return Themes::rawValue(value); }

std::optional<QVariant> raw(NotchMode value) { return NotchModes::rawValue(value); }

} // namespace SettingValues
