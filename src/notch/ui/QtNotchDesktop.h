#pragma once

#include "notch/NotchDesktop.h"
#include "platform/gui/WindowStack.h"

#include <QSet>

class MainWindowFold;
class Store;

// The notch's view of the desktop: this application's windows, the screens (none has a notch
// here), the other programs' windows over a screen's top centre, the island's window and the
// main window's fold.
class QtNotchDesktop final : public NotchDesktop {
public:
    QList<Window> ownWindows() const override;
    bool applicationActive() const override;
    bool fullScreenAppInFront() const override;

    std::optional<UpdateIsland::Screen> hangingScreen() const override;
    QList<NotchOccupants::Occupant> occupants(const UpdateIsland::Screen& screen) const override;
    std::shared_ptr<IslandPanel> makePanel(std::shared_ptr<IslandModel> model, const QRectF& frame) override;
    void growMainWindow(const QRectF& from, const std::shared_ptr<IslandPanel>& island,
                        std::function<void()> done) override;

    // Not owned; until one is set the main window simply opens.
    void setFold(MainWindowFold* fold) { fold_ = fold; }
    // The store the island's rows act on (not owned).
    void setStore(Store* store) { store_ = store; }

    // A screen as Qt places it: its frame in device-independent pixels, whose top-left corner is
    // also where it starts in device pixels, and its scale.
    struct ScreenScale {
        QRectF frame;
        double ratio = 1;
    };

    // The stack as the occupant rules read it, in device-independent pixels: each window by the
    // scale of the screen it is on (the first screen's when on none). Windows in `own` are this
    // process's (its menus and tooltips do not say so themselves).
    static QList<NotchOccupants::Window> windows(const QList<WindowStack::Window>& stack,
                                                 const QList<ScreenScale>& screens, const QSet<quint32>& own,
                                                 qint64 ownPid);

private:
    MainWindowFold* fold_ = nullptr;
    Store* store_ = nullptr;
};
