#pragma once

#include "model/Version.h"
#include "store/SetupStep.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Defaults;
class LoginItem;
class RunningCopies;

// Keeps one copy of Quenlark running, gets that copy into an Applications folder, and turns the
// login item on or off. Everything but `moveToApplications` runs on the GUI thread.
class Setup {
public:
    static inline const QString skipMoveKey = QStringLiteral("setup.skipMove");
    static inline const QString askedLoginKey = QStringLiteral("setup.askedLogin");

    struct Environment {
        QString bundle;     // the running bundle; empty when the program runs outside one
        QString executable; // its executable's file name, which a relaunch starts
        QString home;
        // The process's standard domain, never the settings' suite: the sandbox keeps its own
        // settings, not its own first run.
        std::shared_ptr<Defaults> defaults;
        LoginItem* loginItem = nullptr;
        RunningCopies* copies = nullptr;
        // Starts the detached relaunch of a bundle; false when it could not be started.
        std::function<bool(const QString& bundle, const QString& executable)> relaunch;
        // Asks this application to quit, once its event loop runs.
        std::function<void()> terminate;
    };

    // Everything the move needs, as plain values, since it runs off the GUI thread.
    struct Move {
        QString source; // the running bundle
        QString home;
        QString systemApplications = QStringLiteral("/Applications");
        // Copies a bundle tree; tests make it fail half-way.
        std::function<void(const QString& from, const QString& to)> copy;
    };

    explicit Setup(Environment environment);

    // The short version and the build of the bundle's Info.plist, each only when it is text.
    static Version::Texts version(const std::optional<QString>& bundle);

    // Brings a newer running copy forward and ends this one, else asks the others to quit. False
    // when this copy ends: nothing more of the launch may run.
    bool takeOverFromOtherCopies();
    // Whether the bundle lies in an Applications folder, both sides compared with their links
    // resolved.
    bool isInApplications() const;
    // Whether the move is offered: outside Applications and not an install of the system's or
    // another user's, whose copy in this user's folder could not do what the installed one does.
    bool offersMove() const;
    // Whether the system runs the bundle from its randomised read-only place.
    bool isTranslocated() const;
    // The first step still due; never `done`.
    std::optional<SetupStep> needs() const;
    // Copies the bundle into Applications and trashes the launched copy; the new location.
    // The system's folder is taken only when nobody but root and this user can write it.
    // Throws the failing step's error.
    static QString moveToApplications(const Move& move);
    Move move() const;
    // One move at a time for the whole application, whichever window started it: false while
    // another runs. A move that worked keeps the claim while this copy ends.
    bool claimMove();
    void releaseMove() { moving_ = false; }
    // The login item starts this copy: called once this copy is the one that runs.
    void followLoginItem();
    // The moved copy at `bundle` is the one the login item starts from now on, then it is started
    // after a second and this copy quits, in every case.
    void relaunch(const QString& bundle);
    // Turns the login item on or off; a refusal is only logged. The question counts as answered.
    void setLogin(bool on);
    void skipMove();
    bool loginEnabled() const;
    // Finishing the welcome window answers both questions.
    void answeredBoth();

private:
    QString program(const QString& bundle) const;

    Environment e_;
    bool moving_ = false;
};
