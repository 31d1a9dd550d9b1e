#include "library/DeviceID.h"

#include "model/Launch.h"
#include "platform/system/Defaults.h"

#include <QUuid>

namespace DeviceID {

QString current() {
    if (auto given = Launch::value(QStringLiteral("--device-id")))
        return *given;
    const auto defaults = Defaults::standard();
    const QString key = QStringLiteral("deviceID");
    if (auto stored = defaults->string(key))
        return *stored;
    const QString made = QStringLiteral("d") + QUuid::createUuid().toString(QUuid::Id128).toLower();
    defaults->set(key, made);
    return made;
}

} // namespace DeviceID
