#pragma once

#include "WaitForEvents.h"

#include "views/kit/FramePacer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <algorithm>

// A few turns and `frames` display frames: the dashboard's header, ring, chips, banner and list
// follow the store once a frame.
inline void frameTurn(int frames = 1) {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    QDeadlineTimer frame(FramePacer::frameMs * frames + 1);
    while (!frame.hasExpired())
        waitForEvents(static_cast<int>(std::max<qint64>(1, frame.remainingTime())));
    QCoreApplication::processEvents();
}
