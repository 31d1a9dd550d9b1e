#include "library/DeviceID.h"

#include "model/Launch.h"
#include "model/ThisMac.h"

#include <QRegularExpression>

namespace DeviceID {

QString current() { return ThisMac::deviceID(); }

bool valid(const QString& id) {
    static const QRegularExpression segment(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
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
