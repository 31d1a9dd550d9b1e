#pragma once

#include "model/InstalledApp.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Removing one application with the leftovers the user ticked: whether it may be removed at all,
// and the file work, which checks every path before it touches anything.
namespace Uninstall {

// What the removal needs of the updater that runs it. Filled on the GUI thread; the removal
// itself runs on a pool thread and reads nothing else of the program's state.
struct Context {
    // The real path of the folder that holds the application.
    QString applications;
    // Working in a sandbox: no launch agent is booted out.
    bool sandbox = false;
    // Whether any running application is this bundle.
    std::function<bool(const InstalledApp&)> running;
    // Moves one item to the Trash, or into the updater's trash folder when it has one. Throws.
    std::function<void(const QString& path)> moveToTrash;
    // Runs a tool by absolute path with arguments and no input; throws on failure.
    std::function<void(const QString& tool, const QStringList& arguments)> run;

    // The system's collaborators: running copies from the process list, the user's Trash (or
    // `trash` when given) and the platform's tools through their stand-ins. `applications` is
    // held as its real path; throws "<path> doesn't exist." when it has none. Call it on the GUI
    // thread.
    static Context standard(const QString& applications, const std::optional<QString>& trash, bool sandbox);
};

// The sentence that explains why `app` may not be removed, or nothing when it may.
std::optional<QString> protectedReason(const InstalledApp& app);

// Removes the bundle at `app.url`, then every path of `data` in order, each of which must lie
// at least two levels inside `library`: to the Trash, or deleted when `permanently` (links are
// removed, never followed). Launch agents are booted out before they go. Returns the paths
// removed, the bundle's first. Throws UpdateError when a check refuses (then nothing has been
// touched) or the bundle cannot be removed; a leftover that cannot be removed throws its own
// error. Blocks: run it through Blocking::run.
QStringList uninstall(const InstalledApp& app, const QStringList& data, const QString& library, bool permanently,
                      const Context& context);

// The informative text of the failure alert: the error's sentence, and the note that anything
// already moved can be put back from the Trash, which only holds when nothing was deleted.
QString failureText(const QString& description, bool permanently);

} // namespace Uninstall
