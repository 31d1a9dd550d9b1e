#include "app/App.h"

#include "app/AppShell.h"
#include "app/MainWindow.h"
#include "model/Launch.h"
#include "model/MainBundle.h"
#include "platform/desktop/SingleInstance.h"
#include "platform/system/Defaults.h"

#include <QApplication>
#include <QFileInfo>

#include <clocale>

int App::run(int argc, char** argv) {
    // Wayland lets no client place its windows; the island and the fold need that.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);

    const QString bundle = MainBundle::path().value_or(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    SingleInstance instance(SingleInstance::socketPath(Launch::sandbox()), bundle, QString());
    switch (instance.claim(Launch::args())) {
    case SingleInstance::Outcome::HandedOver:
        return 0;
    case SingleInstance::Outcome::Beside:
        Defaults::setWritable(false);
        break;
    case SingleInstance::Outcome::Owner:
        break;
    }

    MainWindow window(Commands::menus({}));
    window.show();
    return application.exec();
}
