#include "onboarding/MoveRun.h"

#include "runtime/Blocking.h"
#include "runtime/Describe.h"

namespace {

QCoro::Task<QString> moveInTheBackground(Setup::Move move) {
    auto work = [move] { return Setup::moveToApplications(move); };
    co_return co_await Blocking::run(work);
}

} // namespace

MoveRun::Mover MoveRun::background() { return moveInTheBackground; }

MoveRun::MoveRun(Setup& setup, Mover mover) : setup_(setup), mover_(mover ? std::move(mover) : background()) {}

QCoro::Task<void> MoveRun::start(std::shared_ptr<MoveRun> run, std::function<void(QString)> onFailure) {
    if (!run->setup_.claimMove())
        co_return;
    std::exception_ptr failure;
    QString target;
    try {
        auto moving = run->mover_(run->setup_.move());
        target = co_await std::move(moving);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!failure) {
        // This copy ends now, and stays busy until it has.
        run->setup_.relaunch(target);
        co_return;
    }
    run->setup_.releaseMove();
    onFailure(describe(failure));
}
