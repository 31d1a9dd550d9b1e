#include "onboarding/Marquee.h"

#include <cmath>

namespace Marquee {

double phase(double span, double seconds, double period) {
    if (span <= 0 || period <= 0)
        return 0;
    const double drifted = std::fmod(span * seconds / period, span);
    return drifted < 0 ? drifted + span : drifted;
}

int wallIconSize(int row) { return row == 1 || row == 2 ? 64 : 52; }

double wallPeriod(int row) {
    static constexpr double periods[wallRows] = {22, 26, 20, 28};
    return periods[row % wallRows];
}

QList<int> wallRow(int row, int count) {
    if (count <= 0)
        return {};
    const int shift = (row * 7) % count;
    QList<int> once;
    for (int i = 0; i < count; ++i)
        once << (shift + i) % count;
    if (once.size() >= 8)
        return once;
    QList<int> repeated;
    for (int copy = 0; copy < 8 / count + 1; ++copy)
        repeated << once;
    return repeated;
}

double wallOffset(int row, double span, double seconds) {
    const double drifted = phase(span, seconds, wallPeriod(row));
    return row % 2 == 0 ? -drifted : drifted - span;
}

double chipOffset(int count, double speed, bool reverse, double seconds) {
    const double span = double(count) * chipStep;
    const double drifted = phase(span, seconds, speed);
    return reverse ? drifted - span : -drifted;
}

} // namespace Marquee
