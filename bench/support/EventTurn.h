#pragma once

#include <QCoreApplication>
#include <QEvent>

// One turn of the application's event loop, for a benchmark that drives widgets without
// running that loop. processEvents() outside any loop never deletes what was released with
// deleteLater(); the application's loop does so at the end of every turn. Left waiting, those
// events are walked again by every later processEvents() and read as a slower view.
namespace EventTurn {
inline void deleteReleased() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

inline void run() {
    QCoreApplication::processEvents();
    deleteReleased();
}
} // namespace EventTurn
