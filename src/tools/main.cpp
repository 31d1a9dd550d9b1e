#include "tools/Ditto.h"
#include "tools/Hdiutil.h"
#include "tools/Spctl.h"
#include "tools/Launchctl.h"
#include "tools/Installer.h"
#include "tools/Osascript.h"
#include "tools/Pkgutil.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <clocale>
#include <cstdio>

// One executable stands in for the platform's command-line tools; the name it is started under
// (a link in libexec/quenlark/) picks the tool. No GUI application object is ever made here.
namespace {

using ToolMain = int (*)(const QStringList& args);

struct Entry {
    const char* name;
    ToolMain main;
};

// The registered tools. A new tool gets one line here and a link of the same name in the
// build's libexec folder.
const Entry tools[] = {
    {"ditto", &dittoMain},         {"hdiutil", &hdiutilMain}, {"spctl", &spctlMain},
    {"launchctl", &launchctlMain}, {"pkgutil", &pkgutilMain}, {"installer", &installerMain},
    {"osascript", &osascriptMain},
};

} // namespace

int main(int argc, char** argv) {
    // Taken before the application object exists, which may drop options it knows.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const QString invokedAs = QString::fromLocal8Bit(argv[0]);

    QCoreApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");

    // Started as quenlark-tools itself, the first argument names the tool.
    QString name = QFileInfo(invokedAs).fileName();
    if (name == QLatin1String("quenlark-tools") && !args.isEmpty())
        name = args.takeFirst();

    for (const Entry& tool : tools) {
        if (name == QLatin1String(tool.name))
            return tool.main(args);
    }
    std::fprintf(stderr, "quenlark-tools: unknown tool \"%s\"\n", name.toLocal8Bit().constData());
    return 64;
}
