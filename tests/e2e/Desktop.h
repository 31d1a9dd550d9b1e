#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWindow>

#include <chrono>
#include <functional>
#include <optional>

// Drives the windows of other processes on the X server the test runs on (tests/e2e/with-desktop
// gives it one of its own, with a window manager): finds them, gives them the keyboard, types
// into them and takes their picture.
namespace Desktop {

// Runs the event loop until `done` holds or `limit` passes; whether it held.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

// The visible window titled exactly `title`, once one is mapped within `limit`.
std::optional<WId> waitForWindow(const QString& title, std::chrono::milliseconds limit);

// Raises `window` and gives it the keyboard focus, as a click on it would.
bool activate(WId window);

// Asks the window manager to close `window`, as its close button does.
bool close(WId window);

// Presses a key chord ("ctrl+shift+u") in the window that has the focus.
bool press(const QString& chord);
// A click at a point of the screen, as a person's pointer would.
bool click(QPoint point);

// Saves a picture of `window` as a PNG file, making the folder, once it has stood still for a
// second (animations and moving rows done) or `limit` has passed; whether it was written.
bool screenshot(WId window, const QString& path, std::chrono::milliseconds limit = std::chrono::seconds(10));

// Runs a program of the desktop's tools to its end; its standard output, or nothing on failure.
std::optional<QString> run(const QString& program, const QStringList& arguments);

} // namespace Desktop
