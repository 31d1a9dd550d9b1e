#pragma once

#include "model/NotchMemory.h"
#include "model/NotchMode.h"
#include "model/Theme.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class Defaults;

// How each type of setting is kept in the defaults. `read` gives the stored value, `fallback`
// while the key is absent; a stored value of the wrong type reads as each overload says.
// `raw` is what to store, nothing to remove the key.
namespace SettingValues {

// A number counts as a Boolean; anything else stored reads false.
bool read(const Defaults& d, const QString& key, bool fallback);
// A Boolean counts as a number, reals are truncated; anything else stored reads 0.
qint64 read(const Defaults& d, const QString& key, qint64 fallback);
QString read(const Defaults& d, const QString& key, QString fallback);
QStringList read(const Defaults& d, const QString& key, QStringList fallback);
// One value that is no text empties the whole map.
QMap<QString, QString> read(const Defaults& d, const QString& key, QMap<QString, QString> fallback);
std::optional<QDateTime> read(const Defaults& d, const QString& key, std::optional<QDateTime> fallback);
NotchMemory read(const Defaults& d, const QString& key, NotchMemory fallback);
Theme read(const Defaults& d, const QString& key, Theme fallback);
// Without a known mode, the switch earlier versions kept ("notchPanel") decides: off is never.
NotchMode read(const Defaults& d, const QString& key, NotchMode fallback);

std::optional<QVariant> raw(bool value);
std::optional<QVariant> raw(qint64 value);
std::optional<QVariant> raw(const QString& value);
// A property list can not hold a NUL: an entry with one is left out of the file, kept in memory
// for this run only, rather than keeping the whole list from being stored.
std::optional<QVariant> raw(const QStringList& value);
std::optional<QVariant> raw(const QMap<QString, QString>& value);
std::optional<QVariant> raw(const std::optional<QDateTime>& value);
std::optional<QVariant> raw(const NotchMemory& value);
std::optional<QVariant> raw(Theme value);
std::optional<QVariant> raw(NotchMode value);

} // namespace SettingValues
