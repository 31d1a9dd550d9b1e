#pragma once

#include <QEventLoop>
#include <QTimer>

// Sleeps in the event dispatcher until something arrives or `ms` pass, and runs what arrived.
// QCoreApplication::processEvents(WaitForMoreEvents, ms) looks like this but drops the flag and
// spins, which a benchmark reading the thread's CPU time counts as the view's own cost.
inline void waitForEvents(int ms) {
    QEventLoop waiting;
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(ms);
    waiting.processEvents(QEventLoop::WaitForMoreEvents);
}
