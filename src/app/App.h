#pragma once

#include <QObject>

// The composition root: builds the application object, the shell, the settings, the store with
// its collaborators, the windows and the tray once, and runs the launch sequence.
class App final : public QObject {
    Q_OBJECT
public:
    // Everything main() does after recording the arguments; the process's exit code.
    static int run(int argc, char** argv);
};
