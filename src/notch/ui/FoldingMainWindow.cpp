#include "notch/ui/FoldingMainWindow.h"

#include "app/Windows.h"
#include "notch/ui/FoldOverlay.h"
#include "runtime/Clock.h"
#include "runtime/Spawn.h"
#include "views/kit/Animator.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <utility>

namespace {
constexpr double fadeOutSeconds = 0.2;
constexpr double fadeInSeconds = 0.25;
// The window at opacity 0 needs a moment to be placed and mapped before it is measured.
constexpr std::chrono::milliseconds settle{40};
} // namespace

FoldingMainWindow::FoldingMainWindow(QWidget* window, Environment environment)
    : QObject(window), window_(window), env_(std::move(environment)) {
    window_->installEventFilter(this);
}

FoldingMainWindow::~FoldingMainWindow() {
    for (const auto& then : std::exchange(whenGrown_, {}))
        then();
}

namespace {
// Minimised, maximised and full-screen windows are placed by their state.
bool placedByState(const QWidget* window) {
    return window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
}
} // namespace

bool FoldingMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_)
        return QObject::eventFilter(watched, event);
    if (event->type() == Windows::broughtForward()) {
        callOffFold();
        if (!window_->isVisible())
            placeHidden(std::nullopt);
    } else if (event->type() == QEvent::Hide && !placedByState(window_)) {
        stood_ = window_->geometry();
    }
    return QObject::eventFilter(watched, event);
}

void FoldingMainWindow::placeHidden(const std::optional<UpdateIsland::Screen>& screen) {
    if (placedByState(window_))
        return;
    QRect place;
    if (stood_) {
        place = *stood_;
    } else if (screen) {
        const QRect area = screen->workArea.toAlignedRect();
        place = QRect(QPoint(), window_->size().boundedTo(area.size()));
        place.moveCenter(area.center());
    } else {
        return;
    }
    window_->setGeometry(place);
    // A window the window manager placed at its first showing keeps asking to be placed anew,
    // and the widget passes on no geometry it believes it has already: the native window is told
    // itself, so that the window comes back with its position given (beside the island the
    // manager would put it at the screen's edge, partly off it).
    if (QWindow* handle = window_->windowHandle())
        handle->setGeometry(place);
}

std::optional<UpdateIsland::Screen> FoldingMainWindow::hangingScreen() {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return UpdateIsland::Screen{QRectF(screen->geometry()), QRectF(screen->availableGeometry()), QSizeF()};
}

bool FoldingMainWindow::mayClose() {
    if (busy() || env_.opening() || window_->isFullScreen())
        return true;
    const std::optional<UpdateIsland::Screen> screen = env_.hangingScreen();
    if (!screen)
        return true;
    foldInto(IslandMorph::folded(screen->frame, screen->workArea, screen->notch).rect);
    return false;
}

std::optional<QPixmap> FoldingMainWindow::snapshot() {
    // Rendering the widgets works for a hidden window too, so a picture fails only for an
    // empty one.
    QPixmap picture = window_->grab();
    if (picture.width() > 1) {
        if (window_->isVisible() && window_->windowOpacity() >= 1)
            lastPicture_ = picture;
        return picture;
    }
    if (lastPicture_ && lastPicture_->deviceIndependentSize() == QSizeF(window_->size()))
        return lastPicture_;
    return std::nullopt;
}

void FoldingMainWindow::foldInto(QRectF islandRect) {
    if (busy())
        return;
    if (env_.reduceMotion() || !env_.translucent()) {
        fadeOut();
        return;
    }
    const std::optional<QPixmap> picture = snapshot();
    if (!picture) {
        window_->hide();
        Q_EMIT folded();
        return;
    }
    const std::optional<UpdateIsland::Screen> screen = env_.hangingScreen();
    const bool notched = screen && screen->notch.height() > 0;
    folding_ = true;
    auto* overlay = new FoldOverlay({QRectF(window_->geometry()), islandRect, IslandMorph::windowOutline(),
                                     IslandMorph::foldedIsland(notched), true, *picture, notched ? 0.0 : 0.1});
    // The window itself goes once the overlay shows its picture, so it is not seen beneath.
    connect(overlay, &FoldOverlay::firstFrame, window_, [window = QPointer<QWidget>(window_)] {
        if (window)
            window->setWindowOpacity(0);
    });
    overlay_ = overlay;
    // The overlay outlives a window that goes mid-way.
    overlay->start([self = QPointer<FoldingMainWindow>(this)] {
        if (self)
            self->hideFolded();
    });
}

void FoldingMainWindow::fadeOut() {
    folding_ = true;
    fading_ = Animator::timed(window_, fadeOutSeconds, QEasingCurve::Linear, 1, 0, [this](double opacity) {
        window_->setWindowOpacity(opacity);
        if (opacity <= 0)
            hideFolded();
    });
}

void FoldingMainWindow::callOffFold() {
    if (!folding_)
        return;
    folding_ = false;
    // Deleted now, so that neither runs on to its end and hides the window.
    delete overlay_.data();
    delete fading_.data();
    window_->setWindowOpacity(1);
}

void FoldingMainWindow::hideFolded() {
    window_->hide();
    window_->setWindowOpacity(1);
    folding_ = false;
    Q_EMIT folded();
}

void FoldingMainWindow::growFrom(QRectF islandRect, QWidget* island, std::function<void()> done) {
    if (folding_) {
        Windows::bringForward(window_);
        if (done)
            done();
        return;
    }
    if (done)
        whenGrown_.append(std::move(done));
    if (growing_)
        return;
    growing_ = true;
    spawn(grow(islandRect, island), "window growth");
}

void FoldingMainWindow::drop() {
    if (growing_ || env_.opening())
        return;
    const std::optional<UpdateIsland::Screen> screen = env_.hangingScreen();
    if (window_->isVisible() || window_->isMinimized() || !screen) {
        Windows::bringForward(window_);
        return;
    }
    growFrom(IslandMorph::folded(screen->frame, screen->workArea, screen->notch).rect, nullptr, {});
}

QCoro::Task<void> FoldingMainWindow::grow(QRectF from, QPointer<QWidget> island) {
    const QPointer<QWidget> window(window_);
    // Placed before it shows, so that the growth ends where the window stands.
    if (!window_->isVisible())
        placeHidden(env_.hangingScreen());
    Windows::showInvisible(window_);
    co_await Clock::shared().sleep(settle);
    if (!window)
        co_return;
    if (env_.reduceMotion() || !env_.translucent()) {
        Animator::timed(window_, fadeInSeconds, QEasingCurve::Linear, 0, 1, [this, island](double opacity) {
            window_->setWindowOpacity(opacity);
            if (island)
                island->setWindowOpacity(1 - opacity);
            if (opacity >= 1)
                shown(island);
        });
        co_return;
    }
    const std::optional<QPixmap> picture = snapshot();
    if (!picture) {
        shown(island);
        co_return;
    }
    const std::optional<UpdateIsland::Screen> screen = env_.hangingScreen();
    const bool notched = screen && screen->notch.height() > 0;
    // Out of the island that is up, from its open shape; else out of the folded one.
    const bool fromFolded =
        !island && screen && from == IslandMorph::folded(screen->frame, screen->workArea, screen->notch).rect;
    auto* overlay =
        new FoldOverlay({from, QRectF(window_->geometry()),
                         fromFolded ? IslandMorph::foldedIsland(notched) : IslandMorph::expandedIsland(notched),
                         IslandMorph::windowOutline(), false, *picture, notched ? 0.0 : 0.1},
                        island);
    overlay->start([self = QPointer<FoldingMainWindow>(this), island] {
        if (self)
            self->shown(island);
    });
}

void FoldingMainWindow::shown(QPointer<QWidget> island) {
    window_->setWindowOpacity(1);
    if (island)
        island->hide();
    growing_ = false;
    for (const auto& then : std::exchange(whenGrown_, {}))
        then();
    Q_EMIT grown();
}
