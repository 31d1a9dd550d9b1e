#pragma once

#include "views/kit/FramePacer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

// A few turns and `frames` display frames: the dashboard's header, ring, chips, banner and list
// follow the store once a frame. The frames are slept through in the event dispatcher, which
// runs what falls due meanwhile (QCoreApplication::processEvents would spin: it drops
// WaitForMoreEvents).
inline void frameTurn(int frames = 1) {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    QDeadlineTimer frame(FramePacer::frameMs * frames + 1);
    QEventLoop waiting;
    QTimer wake;
    wake.setSingleShot(true);
    while (!frame.hasExpired()) {
        wake.start(static_cast<int>(std::max<qint64>(1, frame.remainingTime())));
        waiting.processEvents(QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::processEvents();
}
