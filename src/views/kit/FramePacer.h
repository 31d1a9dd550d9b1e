#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// Paces a view's passes to the display: a change heard a frame (16 ms) or more after the last
// pass runs it at once, a sooner one when that frame is over, so a burst costs one pass.
class FramePacer {
public:
    static constexpr int frameMs = 16;

    FramePacer(QObject* owner, std::function<void()> pass);

    // Something the last pass read changed.
    void changed();
    // The pass runs now: no pending frame, and the next frame counts from here.
    void passing();

private:
    std::function<void()> pass_;
    QTimer frame_;
    QElapsedTimer sincePass_;
};
