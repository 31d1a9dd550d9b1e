#pragma once

#include "onboarding/MoveRun.h"
#include "onboarding/Setup.h"
#include "runtime/Observed.h"
#include "store/SetupStep.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// The state of one setup window: the step whose card shows and the sentence of a failed move,
// with the texts and the checklist the view shows for them.
class SetupModel : public QObject {
    Q_OBJECT
public:
    SetupModel(Setup& setup, SetupStep start, MoveRun::Mover mover = {});

    SetupStep step() const { return step_.get(); }
    const std::optional<QString>& error() const { return error_.get(); }
    // Without animation: the window coming forward at another step.
    void setStep(SetupStep step) { step_.set(step); }

    // To the next due step.
    void advance();
    // Moves the application into Applications and relaunches it from there, or sets `error`.
    // Presses while a move runs are ignored.
    QCoro::Task<void> moveToApplications();
    // "Keep it here": never asks for the move again.
    void keepHere();
    // "Open at login" and "Not now".
    void answerLogin(bool open);

    struct Header {
        QString title;
        QString subtitle;
    };
    struct Card {
        QString title;
        QString body;
        QString primary; // the default button
        QString secondary;
        QString footer; // "" for none
    };
    enum class Mark { done, current, pending };
    struct Row {
        QString title;
        SetupStep step;
    };

    Header header() const;
    Card card() const;
    // The checklist's rows, in order.
    static QList<Row> checklist();
    Mark mark(SetupStep row) const;

private:
    Setup& setup_;
    std::shared_ptr<MoveRun> move_;
    Observed<SetupStep> step_;
    Observed<std::optional<QString>> error_;
};
