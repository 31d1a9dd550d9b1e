#include "DemoQuenlark.h"

#include "Desktop.h"
#include "DemoSandbox.h"

using namespace Qt::Literals::StringLiterals;

DemoQuenlark::DemoQuenlark(DemoSandbox& demo, const QProcessEnvironment& extra, const QStringList& arguments)
    : program_(demo.applications() + u"/Quenlark.app/Contents/MacOS/quenlark"_s),
      arguments_(demo.arguments() + arguments), environment_(demo.environment()) {
    // The first check's end is told on the application's debug log.
    environment_.insert(u"QT_LOGGING_RULES"_s, u"quenlark.app.debug=true"_s);
    // A page it opens goes to the stand-in, never to a browser of the machine.
    environment_.insert(u"BROWSER"_s, QStringLiteral(QUENLARK_STAND_IN_BROWSER));
    environment_.insert(extra);
    process_.setProcessEnvironment(environment_);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&process_, &QProcess::readyRead, [this] { output_ += process_.readAll(); });
    process_.start(program_, arguments_);
}

DemoQuenlark::~DemoQuenlark() {
    process_.terminate();
    if (!process_.waitForFinished(10000))
        process_.kill();
    process_.waitForFinished(5000);
}

bool DemoQuenlark::launchAgain(std::chrono::milliseconds limit) {
    QProcess second;
    second.setProcessEnvironment(environment_);
    second.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&second, &QProcess::readyRead, [this, &second] { output_ += second.readAll(); });
    second.start(program_, arguments_);
    const bool ended = Desktop::waitUntil([&] { return second.state() == QProcess::NotRunning; }, limit);
    if (!ended) {
        second.kill();
        second.waitForFinished(5000);
    }
    return ended;
}

bool DemoQuenlark::waitForEnd(std::chrono::milliseconds limit) {
    return Desktop::waitUntil([this] { return !running(); }, limit);
}

std::optional<int> DemoQuenlark::ended(std::chrono::milliseconds limit) {
    if (!waitForEnd(limit) || crashed())
        return std::nullopt;
    output_ += process_.readAll();
    return exitCode();
}
