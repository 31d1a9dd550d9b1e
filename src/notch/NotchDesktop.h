#pragma once

#include <QList>
#include <QString>

// What the notch scheduler asks of the desktop: the application's own windows and whether
// another application fills a screen in front. The real one lives with the views.
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

    // The one the views installed; until then one without windows or full-screen applications.
    static NotchDesktop& current();
    // Installs `desktop` (not owned); nullptr restores the quiet default.
    static void install(NotchDesktop* desktop);
};
