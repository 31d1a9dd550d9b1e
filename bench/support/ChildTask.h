#pragma once

#include <QCoreApplication>
#include <QStringList>

#include <cstring>
#include <map>
#include <string>

// Work a benchmark measures in a fresh process of its own program, started as
// `<program> --child=<name> <arguments>`: a process that ran earlier repetitions keeps what it
// allocated, so a peak taken there misses what a new one allocates again.
using ChildTask = int (*)(const QStringList& arguments);

inline std::map<std::string, ChildTask>& childTasks() {
    static std::map<std::string, ChildTask> tasks;
    return tasks;
}

// Use at namespace scope: `const bool registered = registerChild("download", &downloadOnce);`.
inline bool registerChild(const char* name, ChildTask task) {
    childTasks()[name] = task;
    return true;
}

// The program and arguments that run `name` in a fresh process.
inline std::pair<QString, QStringList> childCommand(const char* name, const QStringList& arguments) {
    return {QCoreApplication::applicationFilePath(),
            QStringList{QStringLiteral("--child=") + QLatin1String(name)} + arguments};
}

// Runs the task argv names: its exit status; -1 when argv names none.
inline int runChildTask(int argc, char** argv) {
    if (argc < 2 || std::strncmp(argv[1], "--child=", 8) != 0)
        return -1;
    const auto task = childTasks().find(argv[1] + 8);
    if (task == childTasks().end())
        return 2;
    QStringList arguments;
    for (int i = 2; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return task->second(arguments);
}
