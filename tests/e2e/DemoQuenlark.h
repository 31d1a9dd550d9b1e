#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <chrono>
#include <optional>
#include <string>

class DemoSandbox;

// The real application against a demo sandbox and its update server, its output (standard
// output and errors together) kept for the failure messages. Ended when the object goes.
class DemoQuenlark {
public:
    // `extra` is added to its environment, `arguments` to the demo's arguments.
    explicit DemoQuenlark(DemoSandbox& demo, const QProcessEnvironment& extra = {}, const QStringList& arguments = {});
    ~DemoQuenlark();

    // The same bundle started again with the same arguments, as a person would start it while it
    // runs: it hands over to the running one and ends. Whether it ended within `limit`.
    bool launchAgain(std::chrono::milliseconds limit);
    // Runs the event loop until the process ends or `limit` passes; whether it ended.
    bool waitForEnd(std::chrono::milliseconds limit);
    // Its exit code once it ended by itself within `limit`; none for a crash or a hang.
    std::optional<int> ended(std::chrono::milliseconds limit);

    bool said(const QByteArray& line) const { return output_.contains(line); }
    bool running() const { return process_.state() != QProcess::NotRunning; }
    // Once ended: whether by a signal (an abort or a fault) rather than its own exit.
    bool crashed() const { return process_.exitStatus() == QProcess::CrashExit; }
    int exitCode() const { return process_.exitCode(); }
    qint64 pid() const { return process_.processId(); }
    const QByteArray& output() const { return output_; }
    std::string text() const { return output_.toStdString(); }

private:
    QString program_;
    QStringList arguments_;
    QProcessEnvironment environment_;
    QProcess process_;
    QByteArray output_;
};
