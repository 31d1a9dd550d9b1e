#include "views/kit/FramePacer.h"

FramePacer::FramePacer(QObject* owner, std::function<void()> pass) : pass_(std::move(pass)), frame_(owner) {
    frame_.setSingleShot(true);
    frame_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&frame_, &QTimer::timeout, owner, [this] { pass_(); });
    sincePass_.start();
}

void FramePacer::changed() {
    if (frame_.isActive())
        return;
    const qint64 left = frameMs - sincePass_.elapsed();
    if (left <= 0)
        pass_(); // heard a turn after the change already
    else
        frame_.start(static_cast<int>(left));
}

void FramePacer::passing() {
    frame_.stop();
    sincePass_.start();
}
