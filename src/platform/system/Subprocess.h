#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// Runs a command-line tool by absolute path with an argument list, never through a shell.
// Standard output and standard error arrive merged in one pipe, in the order they were written.
// Blocks until the tool exits: call it from Blocking::run, never on the GUI thread.
namespace Subprocess {

struct Result {
    int status = -1; // exit status; 128 + signal number when a signal ended the tool
    QByteArray output;
};

// Starts `tool` with `arguments`; `input`, when given, is written to its standard input, which
// is otherwise the null device. A tool that cannot be started throws FileError (Op::Open, the
// tool's path, the errno of the launch); every exit status is an answer.
Result exec(const QString& tool, const QStringList& arguments, const std::optional<QByteArray>& input = {});

// Runs the tool and returns its merged output; a non-zero exit throws ToolFailure. A launch failure throws FileError
// unchanged.
QByteArray run(const QString& tool, const QStringList& arguments, const std::optional<QByteArray>& input = {});

// Starts a program that may go on running (a browser, a desktop's opener) with its input on the
// null device and its output where ours goes, and waits at most `wait` for it to end: its exit
// status if it ended by then, none while it still runs (it is reaped once it ends). A program that
// cannot be started throws FileError, as exec does.
std::optional<int> start(const QString& tool, const QStringList& arguments, std::chrono::milliseconds wait);

struct Output {
    int status = -1;
    QString text;
};

// Runs a tool whose exit status is an answer: never throws. A launch failure gives status -1 and
// empty text; otherwise the exit status and the output decoded as UTF-8, untrimmed.
Output output(const QString& tool, const QStringList& arguments);

} // namespace Subprocess
