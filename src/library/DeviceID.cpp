#include "library/DeviceID.h"

#include "model/Launch.h"
#include "model/ThisMac.h"
#include "platform/system/Defaults.h"

#include <QRegularExpression>

namespace DeviceID {

QString current() {
    // A stored id that can't name a field path (edited by hand, or kept from before this check)
    // fails every sync, so nothing was ever written under it: a new one takes its place.
    if (!Launch::value(QStringLiteral("--device-id"))) {
        const auto defaults = Defaults::standard();
        if (const auto stored = defaults->string(QStringLiteral("deviceID")); stored && !valid(*stored))
            defaults->remove(QStringLiteral("deviceID"));
    }
    return ThisMac::deviceID();
}

bool valid(const QString& id) {
    static const QRegularExpression segment(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*\\z"));
    return segment.match(id).hasMatch();
}

std::optional<QString> launchProblem() {
    const auto given = Launch::value(QStringLiteral("--device-id"));
    if (!given || valid(*given))
        return std::nullopt;
    return QStringLiteral("The device id \"%1\" given with --device-id can't be used: it must start with a letter "
                          "or an underscore and hold only letters, digits and underscores.")
        .arg(*given);
}

} // namespace DeviceID
