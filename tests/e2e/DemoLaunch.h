#pragma once

#include "Accessibility.h"
#include "DemoQuenlark.h"
#include "DemoSandbox.h"

#include "store/CloudConfig.h"

#include <gtest/gtest.h>

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWindow>

#include <chrono>
#include <optional>

// How an end-to-end test meets the demo: its sandbox made afresh from the built bundle, the real
// application started on it, its window on the screen and, when asked, read through the
// accessibility bus. Each step's failure names what went wrong, with the application's output.
class DemoLaunch {
public:
    // How the application is started: with the demo's arguments, awaiting its main window.
    struct Start {
        QStringList arguments;           // added to the demo's own
        QProcessEnvironment environment; // added to the application's
        bool accessible = false;         // shows its windows on the accessibility bus, which is joined
        QString window;                  // the window awaited; the main window when empty
        std::chrono::milliseconds limit = std::chrono::seconds(30);
        bool firstCheck = false; // and the first check's end awaited too

        Start& with(const QStringList& more) {
            arguments += more;
            return *this;
        }
        Start& with(const QProcessEnvironment& more) {
            environment.insert(more);
            return *this;
        }
        Start& exposed() {
            accessible = true;
            return *this;
        }
        Start& awaiting(QString title, std::chrono::milliseconds within) {
            window = std::move(title);
            limit = within;
            return *this;
        }
        Start& afterFirstCheck() {
            firstCheck = true;
            return *this;
        }
    };

    DemoLaunch();

    // Lays the sandbox out; start() does when nobody did before.
    ::testing::AssertionResult make();
    // Starts the application (ending the one started before) and waits for its window.
    ::testing::AssertionResult start(const Start& how);

    DemoSandbox& demo() { return demo_; }
    DemoQuenlark& quenlark() { return *quenlark_; }
    // The window awaited by the last start.
    WId window() const { return window_; }
    // The accessibility bus, once an accessible start joined it; null when it did not answer.
    const Accessibility* accessibility() const { return accessibility_ ? &*accessibility_ : nullptr; }

    // The settings window, opened from the main window with its shortcut.
    std::optional<WId> openSettings();
    // The first object on the accessibility bus named `name` (and of `role`, when given) with a
    // place on the screen, once it shows within `limit`.
    std::optional<Accessibility::Object> showing(const QString& name, std::chrono::milliseconds limit,
                                                 const QString& role = {}) const;

    // What the application stored under `key` in its sandboxed settings; invalid when nothing.
    QVariant stored(const QString& key) const;
    // The arguments that point the application at the Authentication and Firestore emulators of
    // `config`, whose settings file they name; none when it could not be written.
    static QStringList emulatorArguments(const CloudConfig& config);

private:
    DemoSandbox demo_;
    bool made_ = false;
    std::optional<DemoQuenlark> quenlark_;
    WId window_ = 0;
    std::optional<Accessibility> accessibility_;
};
