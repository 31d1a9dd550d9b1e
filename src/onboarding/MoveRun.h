#pragma once

#include "onboarding/Setup.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The move into Applications for the setup window and the welcome's setup page: the copy runs
// off the GUI thread, then the moved copy is started and this one ends. A press while any move
// of the application runs is ignored, since a second move would trash the first one's fresh
// copy; after a move that worked, nothing moves again while this copy ends.
class MoveRun {
public:
    // Runs the move off the GUI thread and gives its result back.
    using Mover = std::function<QCoro::Task<QString>(Setup::Move move)>;
    // The standard one runs the move in the tools pool.
    static Mover background();

    MoveRun(Setup& setup, Mover mover);

    // Moves and relaunches; a failure's description goes to `onFailure`. The run is shared so
    // that it outlives a window closed while the copy runs.
    static QCoro::Task<void> start(std::shared_ptr<MoveRun> run, std::function<void(QString)> onFailure);

private:
    Setup& setup_;
    Mover mover_;
};
