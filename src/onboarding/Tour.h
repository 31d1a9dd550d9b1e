#pragma once

#include "model/Filter.h"
#include "model/Motion.h"

#include <QList>
#include <QString>

#include <optional>

class Prefs;
class Store;

// The guided tour over the main window: eight fixed steps, its only running state the store's
// tour step. Started by the welcome window, the settings window and the Help menu; moved on and
// ended only by its overlay. GUI thread only.
namespace Tour {

// One step: the element it names, its texts (shown as they stand), the filter it switches to,
// and whether it is about the notch or the menu-bar item.
struct Step {
    QString anchor;
    QString title;
    QString body;
    std::optional<Filter> filter;
    bool notch = false;
    bool menuBar = false;
};

const QList<Step>& steps();

// Collapses any card, shows all apps and starts at step 0; a running tour starts again.
void start(Store& store);
// Brings up the main window, then starts: the tour shows only over it, and one started under
// a closed window would run unseen, with nothing to end it, keeping the notch silent.
void take(Store& store);
// Shows step `n`: past the last one ends the tour, a negative one changes nothing. A preview
// or hand-opened island is folded first; the notch step drops a preview while updates exist.
void go(Store& store, Prefs& prefs, int n);
// Folds a hand-opened island, clears the step and records that the tour was seen.
void end(Store& store, Prefs& prefs);

// How a step change moves: the tour's own spring, an ease-in-out of 0.2 s under reduced
// motion. Start and end move by the standard animation.
Motion::Animation stepAnimation(bool reduced);

} // namespace Tour
