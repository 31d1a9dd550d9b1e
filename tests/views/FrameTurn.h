#pragma once

#include "views/kit/FramePacer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

// A few turns and a display frame: the dashboard's header, ring, chips, banner and list follow
// the store once a frame.
inline void frameTurn() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    QDeadlineTimer frame(FramePacer::frameMs + 1);
    while (!frame.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 2);
    QCoreApplication::processEvents();
}
