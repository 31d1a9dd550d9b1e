#include "QuenlarkProcess.h"

#include "Desktop.h"
#include "DemoSandbox.h"

#include <QProcessEnvironment>

using namespace Qt::Literals::StringLiterals;

QuenlarkProcess::QuenlarkProcess(DemoSandbox& demo, const QStringList& extra) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QUENLARK_ANCHORS"_s, demo.anchors());
    environment.insert(u"QUENLARK_ELEVATION"_s, u"unprivileged"_s);
    // The first check's end is told on the application's debug log.
    environment.insert(u"QT_LOGGING_RULES"_s, u"quenlark.app.debug=true"_s);
    // A page it opens goes to the stand-in, never to a browser of the machine.
    environment.insert(u"BROWSER"_s, QStringLiteral(QUENLARK_STAND_IN_BROWSER));
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&process_, &QProcess::readyRead, [this] { output_ += process_.readAll(); });
    process_.start(demo.applications() + u"/Quenlark.app/Contents/MacOS/quenlark"_s, demo.arguments() + extra);
}

QuenlarkProcess::~QuenlarkProcess() {
    if (!running())
        return;
    process_.terminate();
    if (!process_.waitForFinished(10000))
        process_.kill();
    process_.waitForFinished(5000);
}

std::optional<int> QuenlarkProcess::ended(std::chrono::milliseconds limit) {
    if (!Desktop::waitUntil([this] { return !running(); }, limit) || process_.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    output_ += process_.readAll();
    return process_.exitCode();
}
