#pragma once

#include "notch/IslandPanel.h"
#include "notch/IslandState.h"
#include "notch/NotchOccupants.h"
#include "runtime/CancelToken.h"
#include "store/NotchHooks.h"

#include <QCoro/QCoroTask>
#include <QRectF>
#include <QSet>
#include <QSizeF>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// The island's controller: waits until no other window covers the top centre of the screen,
// presents the island, watches for windows that come over it later, and folds it away. Every
// close is `detach()` then `fold()`, so a second close does nothing. Timers go through Clock;
// GUI thread only.
class UpdateIsland final {
public:
    struct Screen {
        QRectF frame;    // global, top-left origin
        QRectF workArea; // the frame without panels and bars
        QSizeF notch;    // zero where the screen has none (always on Linux, and with "--no-notch")
    };
    using Island = NotchHooks::Detached;
    // What the controller needs of the desktop, the store and the window that draws the island.
    struct Desktop {
        std::function<QStringList()> updateIds; // bundle paths of the visible rows with an update
        std::function<std::optional<Screen>()> hangingScreen;
        std::function<QList<NotchOccupants::Occupant>(const Screen&)> occupants;
        std::function<std::shared_ptr<IslandPanel>(const std::shared_ptr<IslandState>&, const Screen&)> makePanel;
        std::function<void()> recordShowing; // the showing, in the notch memory
        std::function<void()> notifyUser;    // the updates notification, when the notch stays busy
        std::function<void()> openMainWindow;
        std::function<bool()> reduceMotion;
        // The main window is on screen or minimised; without it, it never is.
        std::function<bool()> mainWindowShown;
        // Grows the hidden main window out of `from` (global, top-left origin), fading out
        // `island` (the panel it grows out of, or none) on the way, and calls `done` once the
        // window stands or the growth was cut short; without it, the main window simply opens.
        std::function<void(QRectF from, std::shared_ptr<IslandPanel> island, std::function<void()> done)>
            growMainWindow;
    };

    static constexpr int maxPolls = 600;

    explicit UpdateIsland(Desktop desktop);
    ~UpdateIsland();
    UpdateIsland(const UpdateIsland&) = delete;
    UpdateIsland& operator=(const UpdateIsland&) = delete;

    // Asks for the island listing every visible update; while one is up, adds the new ones.
    void show(bool automatic, bool preview);
    // Stops the wait and the watcher and hands over the island that is up, if any; from then on
    // it takes no input.
    std::optional<Island> detach();
    // Folds a detached island and takes its panel off the screen 0.7 s (reduced: 0.25 s) later.
    void fold(Island island);
    // Folds the island only when `state` is the one still up: a late step of an island that is
    // already gone must not fold the one shown after it.
    void foldIfUp(const IslandState* state);
    // The open button: grows the main window out of the island that is up and open, or folds
    // the island and opens the window.
    void openApp();
    // Brings up the main window: forward when it is shown, else out of the island, else out of
    // the top of the screen.
    void dropWindow();

    bool autoShown() const { return autoShown_; }
    bool waiting() const { return waiting_.has_value(); }
    const std::optional<Island>& island() const { return island_; }
    int folding() const { return folding_; }
    bool opening() const { return opening_; }

    // The panel's frame: 620 × 560 centred at the top, from the screen's top edge when it has a
    // notch, else from 8 points below the work area's top.
    static QRectF panelFrame(const Screen& screen);

private:
    QCoro::Task<void> wait(Screen screen, bool preview, CancelToken token, std::weak_ptr<int> life);
    void present(const QStringList& ids, const Screen& screen, bool preview);
    void grow(QRectF from, std::shared_ptr<IslandPanel> island, std::function<void()> then);
    QCoro::Task<void> expandLater(std::shared_ptr<IslandState> state, std::weak_ptr<int> life);
    QCoro::Task<void> watch(Island island, Screen screen, QSet<qint64> before, CancelToken token,
                            std::weak_ptr<int> life);
    QCoro::Task<void> orderOutLater(std::shared_ptr<IslandPanel> panel, std::weak_ptr<int> life);

    Desktop desktop_;
    bool autoShown_ = false;
    std::optional<Island> island_;
    QRectF panelFrame_; // of the island that is up
    std::optional<CancelToken> waiting_;
    std::optional<CancelToken> watching_;
    bool opening_ = false;
    int folding_ = 0;
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};
