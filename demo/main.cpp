// Makes the demo sandbox, serves its updates on 127.0.0.1 and runs Quenlark against it until
// Quenlark ends; the server stops with it.
#include "DemoSandbox.h"

#include "model/Launch.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTextStream>

#include <clocale>
#include <exception>

int main(int argc, char** argv) {
    Launch::init(argc, argv);
    QCoreApplication application(argc, argv);
    setlocale(LC_NUMERIC, "C");
    QTextStream err(stderr);

    const QString root = Launch::value(QStringLiteral("--root")).value_or(QDir::current().filePath(QStringLiteral("demo")));
    const auto app = Launch::value(QStringLiteral("--app"));
    if (!app) {
        err << "usage: quenlark-demo --app <Quenlark.app> [--root <folder>] [-- <more arguments for Quenlark>]\n";
        return 2;
    }
    QStringList extra;
    if (const auto dashes = Launch::args().indexOf(QStringLiteral("--")); dashes >= 0)
        extra = Launch::args().mid(dashes + 1);

    DemoSandbox demo(root);
    try {
        demo.make(*app);
    } catch (const std::exception& error) {
        err << "The demo could not be made: " << error.what() << "\n";
        return 1;
    }
    err << "Demo sandbox: " << demo.applications() << "\nUpdate server: " << demo.mock().toString() << "\n";
    err.flush();

    QProcess quenlark;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUENLARK_ANCHORS"), demo.anchors());
    // The sample package installs into the sandbox, which needs no administrator.
    environment.insert(QStringLiteral("QUENLARK_ELEVATION"), QStringLiteral("unprivileged"));
    quenlark.setProcessEnvironment(environment);
    quenlark.setProcessChannelMode(QProcess::ForwardedChannels);
    quenlark.start(demo.applications() + QStringLiteral("/Quenlark.app/Contents/MacOS/quenlark"), demo.arguments() + extra);
    if (!quenlark.waitForStarted(-1)) {
        err << "Quenlark could not be started: " << quenlark.errorString() << "\n";
        return 1;
    }
    quenlark.waitForFinished(-1);
    err << "The update server answered " << demo.requests() << " requests.\n";
    return quenlark.exitStatus() == QProcess::NormalExit ? quenlark.exitCode() : 1;
}
