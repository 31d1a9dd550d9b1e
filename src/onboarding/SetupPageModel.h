#pragma once

#include "model/Theme.h"
#include "onboarding/MoveRun.h"
#include "runtime/Observed.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class Onboarding;
class OnboardingModel;
class Prefs;
class Store;

// The welcome window's last page: the first-run choices as rows, and the actions that end the
// welcome. Built afresh each time the page comes up, so a move's error does not outlive it.
class SetupPageModel : public QObject {
    Q_OBJECT
public:
    struct Environment {
        Setup* setup = nullptr;
        Prefs* prefs = nullptr;
        Store* store = nullptr;
        OnboardingModel* welcome = nullptr;
        Onboarding* onboarding = nullptr;
        bool sandbox = false;
        MoveRun::Mover mover; // empty: the standard one
    };

    enum class Control { appearance, moveButton, loginSwitch, settingsButton, signInButton, on, done };
    struct Row {
        QString icon; // a symbol name
        QString title;
        QString subtitle;
        Control control;

        friend bool operator==(const Row&, const Row&) = default;
    };

    explicit SetupPageModel(Environment environment);

    // The rows in order; the move row only while the move is offered and without "--sandbox".
    QList<Row> rows() const;
    const std::optional<QString>& moveError() const { return moveError_.get(); }

    Theme theme() const;
    // The application follows at once; the welcome window stays dark.
    void setTheme(Theme theme);
    bool login() const;

    // "Move": moves and relaunches, or shows the failure; presses while a move runs are ignored.
    QCoro::Task<void> move();
    // The switch: the login item follows at once, except under "--sandbox".
    void setLogin(bool on);
    // "Sign In": ends the welcome with the main window on the library.
    void signIn();

private:
    Environment e_;
    std::shared_ptr<MoveRun> move_;
    Observed<std::optional<QString>> moveError_;
};
