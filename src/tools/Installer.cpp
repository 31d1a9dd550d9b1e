#include "tools/Installer.h"

#include "platform/archives/PackageInstaller.h"

#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

int installerMain(const QStringList& args) {
    QString package;
    QString target;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"-pkg" && i + 1 < args.size())
            package = args[++i];
        else if (args[i] == u"-target" && i + 1 < args.size())
            target = args[++i];
        else if (args[i] != u"-verbose") {
            package.clear();
            break;
        }
    }
    if (package.isEmpty() || target.isEmpty()) {
        std::fputs("usage: installer -pkg <package> -target <folder>\n", stderr);
        return 64;
    }
    PackageInstaller::Limits limits;
    if (const char* bound = std::getenv("QUENLARK_INSTALLER_MAX_BYTES"))
        limits.lowerTo(QByteArray(bound).toLongLong());
    QTextStream out(stdout);
    out << "installer: Package name is " << QFileInfo(package).completeBaseName() << '\n';
    out << "installer: Installing at base path " << target << '\n';
    out.flush();
    try {
        PackageInstaller::install(package, target, limits);
    } catch (const PackageInstaller::Failure& failure) {
        // On standard error, where the administrator step takes a failure's message from.
        out.flush();
        QTextStream err(stderr);
        err << "installer: Error - " << QString::fromUtf8(failure.what()) << '\n';
        return 1;
    }
    out << "installer: The install was successful.\n";
    return 0;
}
