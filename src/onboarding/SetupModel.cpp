#include "onboarding/SetupModel.h"


#include <QPointer>

SetupModel::SetupModel(Setup& setup, SetupStep start, MoveRun::Mover mover)
    : setup_(setup), move_(std::make_shared<MoveRun>(setup, std::move(mover))), step_(start) {}

void SetupModel::advance() {
    SetupStep next = SetupStep::done;
    if (step_.peek() == SetupStep::move && setup_.needs() == SetupStep::login)
        next = SetupStep::login;
    step_.set(next);
}

QCoro::Task<void> SetupModel::moveToApplications() {
    // The window may close while the copy runs; the move and the relaunch still go on.
    QPointer<SetupModel> self(this);
    return MoveRun::start(move_, [self](QString description) {
        if (self)
            self->error_.set(tr("Couldn't move it: ") + description +
                             tr(" Drag Quenlark into Applications yourself, then open it from there."));
    });
}

void SetupModel::keepHere() {
    setup_.skipMove();
    advance();
}

void SetupModel::answerLogin(bool open) {
    setup_.setLogin(open);
    advance();
}

SetupModel::Header SetupModel::header() const {
    if (step_.get() == SetupStep::done)
        return {tr("Quenlark is ready"), tr("You won't see this again.")};
    return {tr("Set up Quenlark"), tr("Two quick steps, only once.")};
}

SetupModel::Card SetupModel::card() const {
    switch (step_.get()) {
    case SetupStep::move: {
        const QString place = setup_.isTranslocated() ? tr("your Downloads") : tr("outside Applications");
        return {tr("Move Quenlark to Applications"),
                tr("It's running from ") + place +
                    tr(". macOS only keeps permissions reliably for apps in the Applications folder. This moves it "
                       "there and reopens it."),
                tr("Move to Applications"), tr("Keep it here"), QString()};
    }
    case SetupStep::login:
        return {tr("Open Quenlark at login?"),
                tr("So Quenlark can check your apps in the background and let you know when updates turn up."),
                tr("Open at login"), tr("Not now"), tr("You can change this any time in Quenlark's settings.")};
    case SetupStep::done:
        break;
    }
    return {tr("All set"),
            tr("Quenlark is checking your apps now. Its menu bar icon shows how many updates are waiting."), tr("Done"),
            tr("Open settings"), QString()};
}

QList<SetupModel::Row> SetupModel::checklist() {
    return {{tr("In the Applications folder"), SetupStep::move}, {tr("Open at login, if you want"), SetupStep::login}};
}

SetupModel::Mark SetupModel::mark(SetupStep row) const {
    const SetupStep step = step_.get();
    if (step > row)
        return Mark::done;
    return step == row ? Mark::current : Mark::pending;
}
