#pragma once

#include <QEvent>
#include <QList>
#include <QString>
#include <QWidget>

// The application's windows as code outside them finds them: walked in order, by exact title.
namespace Windows {

// The top-level windows in the order the application holds them.
QList<QWidget*> all();

// Whether `window` can become the main window: an ordinary window, not a panel, tool or popup.
bool canBecomeMain(const QWidget* window);

// The first window titled `title` that can become the main window.
QWidget* main(const QString& title);

// Whether a window titled `title` is on the screen.
bool anyVisible(const QString& title);

// Brings `window` forward and gives it the focus: restores it when minimised, moves it to the
// workspace on screen when it stands on another one. The window hears
// `broughtForward()` first, so that whatever was taking it off the screen (a fold) stands down.
void bringForward(QWidget* window);
QEvent::Type broughtForward();

// Brings `window` forward as bringForward does, yet fully transparent, so that it can be grown
// into view.
void showInvisible(QWidget* window);

} // namespace Windows
