#pragma once

#include <QList>
#include <QString>

// The self-running illustration of the notch panel as a timeline: what the scene is set to at
// each moment of its 6.52 s cycle, so that the view only draws and animates towards it.
namespace NotchDemoTimeline {

struct State {
    bool open = false;
    int rows = 0;         // sample apps listed, 0 to 3
    double progress = 0;  // the first app's install, 0 or 1 (the view animates the bar)
    bool done = false;    // the first app's check mark

    friend bool operator==(const State&, const State&) = default;
};

// How the view animates into a state.
enum class Motion { none, springA, install, check, fold };

struct Step {
    double at; // seconds from the start of the cycle
    State state;
    Motion motion;
};

// The cycle's changes in order.
const QList<Step>& steps();
double cycle();

// The step in force `seconds` into the timeline, which repeats.
const Step& stepAt(double seconds);
// Reduced motion: the open panel with all three rows and the first one done, standing still.
State reduced();

struct App {
    QString name;
    QString installed;
    QString available;
};
// "Sparkly", "Brewy" and "Hubby" with their versions.
const QList<App>& apps();

} // namespace NotchDemoTimeline
