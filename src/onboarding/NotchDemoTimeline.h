#pragma once

#include <QList>
#include <QString>

// The self-running illustration of the notch panel as a timeline: what the scene is set to at
// each moment of its 6.52 s cycle, so that the view only draws and animates towards it.
namespace NotchDemoTimeline {

struct State {
    bool open = false;
    int rows = 0;        // sample apps listed, 0 to 3
    double progress = 0; // the first app's install, 0 or 1 (the view animates the bar)
    bool done = false;   // the first app's check mark

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

// The scene as drawn at a moment: each change animated by its step's motion from the moment it
// landed, so a row still springing in goes on while the next one comes.
struct Frame {
    double open = 0;            // closed 0 to open 1; the width, corners and shadow follow it
    double rows[3] = {0, 0, 0}; // each row's opacity; it sits 6 × (1 − shown) above its place
    double fill = 0;            // the install bar's blue part, 0 to 1
    double check = 0;           // the check mark's scale and opacity
    double height = 26;         // the panel's, following the rows as they come and go
    State state;                // what the slots show

    double rowOffset(int row) const { return -6 * (1 - rows[row]); }
};
Frame frameAt(double seconds);
Frame reducedFrame();

struct App {
    QString name;
    QString installed;
    QString available;
};
// "Sparkly", "Brewy" and "Hubby" with their versions.
const QList<App>& apps();

} // namespace NotchDemoTimeline
