#include "onboarding/NotchDemoTimeline.h"

#include "model/Spring.h"

#include <algorithm>
#include <cmath>

namespace NotchDemoTimeline {
namespace {

// How far (0 to 1, a spring past it) the move into a step is `since` seconds after it landed.
double settled(Motion motion, double since) {
    since = std::max(0.0, since);
    switch (motion) {
    case Motion::none:
        return 1;
    case Motion::springA:
        return Spring(0.55, 0.6, 0, 1).value(since);
    case Motion::install: {
        const double t = std::clamp(since / 1.6, 0.0, 1.0);
        return t < 0.5 ? 2 * t * t : 1 - std::pow(-2 * t + 2, 2) / 2;
    }
    case Motion::check:
        return Spring(0.35, 0.55, 0, 1).value(since);
    case Motion::fold:
        return Spring(0.45, 0.7, 0, 1).value(since);
    }
    return 1;
}

// The panel's height: the notch, then the header and the rows, each 6 below the last, and 12
// under them.
double height(const Frame& frame) {
    double rows = 0;
    for (const double shown : frame.rows)
        rows += std::clamp(shown, 0.0, 1.0) * 36;
    return std::max(26.0, 26 + frame.open * 36 + rows);
}

} // namespace

const QList<Step>& steps() {
    // The pauses between the changes are 0.9, 0.14, 0.14, 0.14, 0.9, 1.7 and 1.8 s, and 0.8 s
    // after the last before the cycle starts over.
    static const QList<Step> list{
        {0, {false, 0, 0, false}, Motion::none},      {0.9, {true, 0, 0, false}, Motion::springA},
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

Frame frameAt(double seconds) {
    const Step& step = stepAt(seconds);
    const double into = std::fmod(std::max(0.0, seconds), cycle());
    const QList<Step>& list = steps();
    const qsizetype at = &step - list.data();
    const double since = into - step.at;
    const Step& fold = list.last();
    Frame frame;
    frame.state = step.state;
    if (at == list.size() - 1) {
        // Everything goes together.
        const double going = 1 - settled(fold.motion, since);
        frame.open = going;
        std::fill(std::begin(frame.rows), std::end(frame.rows), std::clamp(going, 0.0, 1.0));
        frame.fill = 1;
        frame.check = 1;
    } else if (at > 0) {
        frame.open = settled(list[1].motion, into - list[1].at);
        for (int row = 0; row < 3 && 2 + row <= at; ++row)
            frame.rows[row] = std::clamp(settled(list[2 + row].motion, into - list[2 + row].at), 0.0, 1.0);
        if (step.state.progress > 0)
            frame.fill = step.motion == Motion::install ? settled(Motion::install, since) : 1;
        if (step.state.done)
            frame.check = settled(step.motion, since);
    }
    frame.height = height(frame);
    return frame;
}

Frame reducedFrame() {
    Frame frame;
    frame.open = 1;
    std::fill(std::begin(frame.rows), std::end(frame.rows), 1.0);
    frame.check = 1;
    frame.state = reduced();
    frame.height = height(frame);
    return frame;
}

const QList<App>& apps() {
    static const QList<App> list{{QStringLiteral("Sparkly"), QStringLiteral("1.2.9"), QStringLiteral("1.2.10")},
                                 {QStringLiteral("Brewy"), QStringLiteral("2.0.0"), QStringLiteral("2.1.0")},
                                 {QStringLiteral("Hubby"), QStringLiteral("3.4.0"), QStringLiteral("3.5.0")}};
    return list;
}

} // namespace NotchDemoTimeline
