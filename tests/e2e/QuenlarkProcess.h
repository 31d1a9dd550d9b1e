#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <chrono>
#include <optional>
#include <string>

class DemoSandbox;

// The real application against the demo sandbox and its update server, its output kept for the
// failure messages. Ended when the object goes, if it has not ended by itself.
class QuenlarkProcess {
public:
    explicit QuenlarkProcess(DemoSandbox& demo, const QStringList& extra = {});
    ~QuenlarkProcess();

    bool said(const QByteArray& line) const { return output_.contains(line); }
    bool running() const { return process_.state() != QProcess::NotRunning; }
    std::string output() const { return output_.toStdString(); }
    qint64 pid() const { return process_.processId(); }
    // Its exit code once it ended by itself within `limit`, a crash or a hang none.
    std::optional<int> ended(std::chrono::milliseconds limit);

private:
    QProcess process_;
    QByteArray output_;
};
