#pragma once

#include "model/Motion.h"
#include "notch/UpdateIsland.h"
#include "notch/ui/FoldCompositor.h"
#include "notch/ui/MainWindowFold.h"

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class FoldOverlay;
class QVariantAnimation;

// Closing the main window folds it into the island at the top of the screen, and reopening
// grows it back out: a morph on one overlay when a compositor blends windows, else (and under
// reduced motion) a short fade. The window is hidden, never destroyed.
class FoldingMainWindow final : public QObject, public MainWindowFold {
    Q_OBJECT
public:
    // The desktop's, unless a test says otherwise.
    struct Environment {
        std::function<std::optional<UpdateIsland::Screen>()> hangingScreen = &FoldingMainWindow::hangingScreen;
        std::function<bool()> reduceMotion = &Motion::reduced;
        std::function<bool()> translucent = [] { return FoldCompositor::running(); };
        std::function<bool()> opening = [] { return false; }; // the island brings the window up
    };

    FoldingMainWindow(QWidget* window, Environment environment);
    // Whoever waits for a growth still running hears that it ended.
    ~FoldingMainWindow() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

    // Whether the window may close at once; false when the fold took it over and hides the window
    // itself. A plain close while the window is brought up or folds already, in full screen, or
    // with no screen to fold to.
    bool mayClose();

    void foldInto(QRectF islandRect) override;
    // Grows out of the island drawn in `island` (or none), which fades out on the way and is
    // hidden at the end. A call while the window grows already waits for that growth; one while
    // it folds calls off the fold and is told at once.
    void growFrom(QRectF islandRect, QWidget* island, std::function<void()> done) override;
    // Brings the window up: out of the folded island at the top of the screen when hidden, else
    // forward. Bringing the window forward in any way calls off a fold under way.
    void drop();

    // A fold, a growth or a fade is running.
    bool busy() const { return folding_ || growing_; }

    // The window's picture; the last good one of the same size when a fresh one fails.
    std::optional<QPixmap> snapshot();

    // The screen under the pointer, else the primary one. No screen here has a notch.
    static std::optional<UpdateIsland::Screen> hangingScreen();

Q_SIGNALS:
    // The window is hidden after its fold or fade.
    void folded();
    // The window is up after growing or fading in.
    void grown();

private:
    QCoro::Task<void> grow(QRectF from, QPointer<QWidget> island);
    void fadeOut();
    void hideFolded();
    // The window stays: the fold's overlay or fade stops where it is.
    void callOffFold();
    // Puts the hidden window back where it stood when it went, or centred in the screen's work
    // area when it never stood; placed by us, the window manager does not place it anew (beside
    // the island, partly off the screen).
    void placeHidden(const std::optional<UpdateIsland::Screen>& screen);
    void shown(QPointer<QWidget> island);

    QWidget* window_;
    Environment env_;
    std::optional<QPixmap> lastPicture_;
    std::optional<QRect> stood_; // where the window was when it last went
    bool folding_ = false;
    QPointer<FoldOverlay> overlay_;
    QPointer<QVariantAnimation> fading_;
    bool growing_ = false;
    QList<std::function<void()>> whenGrown_;
};
