#pragma once

#include <QByteArray>
#include <QProcess>

#include <string>

class DemoSandbox;

// The real application against the demo sandbox and its update server, its output kept for the
// failure messages. Pages it opens go to the stand-in browser, never to one of the machine.
class RunningQuenlark {
public:
    // `logging`: the QT_LOGGING_RULES the run tells its progress on.
    explicit RunningQuenlark(DemoSandbox& demo, const QString& logging = QStringLiteral("quenlark.app.debug=true"));
    ~RunningQuenlark();

    bool said(const QByteArray& line) const { return output_.contains(line); }
    bool running() const { return process_.state() != QProcess::NotRunning; }
    std::string output() const { return output_.toStdString(); }

private:
    QProcess process_;
    QByteArray output_;
};
