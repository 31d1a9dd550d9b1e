#pragma once

#include "notch/UpdateIsland.h"

#include <QList>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class IslandModel;

// What the notch scheduler and the island ask of the desktop: the application's own windows,
// whether another application fills a screen in front, the screens and the windows over their
// top centre, the island's window and the main window growing out of it. The real one lives
// with the views; the quiet default has no screen, so no island ever shows.
class NotchDesktop {
public:
    struct Window {
        QString title;
        bool visible = false;
        bool minimised = false;
        bool normalLevel = true; // an ordinary window, not a panel, tool or pop-up
    };

    virtual ~NotchDesktop();

    virtual QList<Window> ownWindows() const = 0;
    // Whether this application is the active one.
    virtual bool applicationActive() const = 0;
    virtual bool fullScreenAppInFront() const = 0;

    // The screen the island hangs from: the one under the pointer, else the primary one.
    virtual std::optional<UpdateIsland::Screen> hangingScreen() const { return std::nullopt; }
    // Other programs' windows over the screen's top centre.
    virtual QList<NotchOccupants::Occupant> occupants(const UpdateIsland::Screen&) const { return {}; }
    // Shows the island's window at `frame` (global, top-left origin), drawing `model`.
    virtual std::shared_ptr<IslandPanel> makePanel(std::shared_ptr<IslandModel> model, const QRectF& frame);
    // Grows the main window out of `from`, fading out `island` (or none) on the way, and calls
    // `done` once, when the window stands or its growth was cut short.
    virtual void growMainWindow(const QRectF& from, const std::shared_ptr<IslandPanel>& island,
                                std::function<void()> done);

    // The one the views installed; until then one without windows or full-screen applications.
    static NotchDesktop& current();
    // Installs `desktop` (not owned); nullptr restores the quiet default.
    static void install(NotchDesktop* desktop);
};
