#include "platform/system/ByteCount.h"


#include <array>
#include <cmath>

namespace ByteCount {

QString file(std::int64_t bytes) {
    if (bytes == 0)
        return QStringLiteral("Zero KB");
    const QString sign = bytes < 0 ? QStringLiteral("-") : QString();
    const double magnitude = std::fabs(static_cast<double>(bytes));
    if (magnitude < 1000)
        return sign + QString::number(static_cast<std::int64_t>(magnitude)) +
               (magnitude == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));

    struct Unit {
        const char* name;
        int decimals;
    };
    static constexpr std::array<Unit, 6> units{{{"KB", 0}, {"MB", 1}, {"GB", 2}, {"TB", 2}, {"PB", 2}, {"EB", 2}}};
    double value = magnitude / 1000;
    std::size_t unit = 0;
    for (;;) {
        const double scale = std::pow(10.0, units[unit].decimals);
        const double rounded = std::round(value * scale) / scale;
        if (rounded < 1000 || unit + 1 == units.size()) {
            QString number = QString::number(rounded, 'f', units[unit].decimals);
            if (number.contains(QLatin1Char('.'))) {
                while (number.endsWith(QLatin1Char('0')))
                    number.chop(1);
                if (number.endsWith(QLatin1Char('.')))
                    number.chop(1);
            }
            return sign + number + QLatin1Char(' ') + QLatin1String(units[unit].name);
        }
        value /= 1000;
        ++unit;
    }
}

} // namespace ByteCount
