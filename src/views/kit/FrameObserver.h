#pragma once

#include "runtime/Observation.h"
#include "views/kit/FramePacer.h"

// An Observer paced to the display (see FramePacer), for the dashboard's views that follow
// counts over every row: a burst of check results costs them one pass a frame, not one each.
class FrameObserver : public Observer {
public:
    FrameObserver(QObject* parent, std::function<void()> read, std::function<void()> refresh);

protected:
    void changed() override { pacer_.changed(); }

private:
    FramePacer pacer_;
};
