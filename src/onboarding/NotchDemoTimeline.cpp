#include "onboarding/NotchDemoTimeline.h"

#include <cmath>

namespace NotchDemoTimeline {

const QList<Step>& steps() {
    // The pauses between the changes are 0.9, 0.14, 0.14, 0.14, 0.9, 1.7 and 1.8 s, and 0.8 s
    // after the last before the cycle starts over.
    static const QList<Step> list{
        {0, {false, 0, 0, false}, Motion::none},     {0.9, {true, 0, 0, false}, Motion::springA},
        {1.04, {true, 1, 0, false}, Motion::springA}, {1.18, {true, 2, 0, false}, Motion::springA},
        {1.32, {true, 3, 0, false}, Motion::springA}, {2.22, {true, 3, 1, false}, Motion::install},
        {3.92, {true, 3, 1, true}, Motion::check},    {5.72, {false, 0, 1, true}, Motion::fold},
    };
    return list;
}

double cycle() { return 6.52; }

const Step& stepAt(double seconds) {
    const double into = std::fmod(std::max(0.0, seconds), cycle());
    const QList<Step>& list = steps();
    qsizetype current = 0;
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list[i].at <= into + 1e-9)
            current = i;
    return list[current];
}

State reduced() { return {true, 3, 0, true}; }

const QList<App>& apps() {
    static const QList<App> list{{QStringLiteral("Sparkly"), QStringLiteral("1.2.9"), QStringLiteral("1.2.10")},
                                 {QStringLiteral("Brewy"), QStringLiteral("2.0.0"), QStringLiteral("2.1.0")},
                                 {QStringLiteral("Hubby"), QStringLiteral("3.4.0"), QStringLiteral("3.5.0")}};
    return list;
}

} // namespace NotchDemoTimeline
