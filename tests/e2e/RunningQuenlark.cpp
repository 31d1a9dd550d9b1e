#include "RunningQuenlark.h"

#include "DemoSandbox.h"

#include <QProcessEnvironment>

using namespace Qt::Literals::StringLiterals;

RunningQuenlark::RunningQuenlark(DemoSandbox& demo, const QString& logging) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QUENLARK_ANCHORS"_s, demo.anchors());
    environment.insert(u"QUENLARK_ELEVATION"_s, u"unprivileged"_s);
    environment.insert(u"QT_LOGGING_RULES"_s, logging);
    environment.insert(u"BROWSER"_s, QStringLiteral(QUENLARK_STAND_IN_BROWSER));
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&process_, &QProcess::readyRead, [this] { output_ += process_.readAll(); });
    process_.start(demo.applications() + u"/Quenlark.app/Contents/MacOS/quenlark"_s, demo.arguments());
}

RunningQuenlark::~RunningQuenlark() {
    process_.terminate();
    if (!process_.waitForFinished(10000))
        process_.kill();
    process_.waitForFinished(5000);
}
