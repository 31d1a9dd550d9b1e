#include "platform/system/ReferenceDate.h"


#include <cmath>

namespace ReferenceDate {

std::optional<QDateTime> fromSeconds(double seconds) {
    // About ±290,000 years keeps the millisecond count far inside 64 bits.
    if (!std::isfinite(seconds) || std::fabs(seconds) > 9.0e12)
        return std::nullopt;
    const auto ms = static_cast<qint64>(std::llround(seconds * 1000.0)) + unixOffset * 1000;
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

double seconds(const QDateTime& date) {
    return static_cast<double>(date.toMSecsSinceEpoch() - unixOffset * 1000) / 1000.0;
}

} // namespace ReferenceDate
