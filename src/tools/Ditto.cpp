#include "tools/Ditto.h"

#include "platform/archives/Extraction.h"
#include "platform/archives/TreeCopy.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cstdio>
#include <cstdlib>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "ditto: %s\n", message.toLocal8Bit().constData());
    return 1;
}

int usage() {
    std::fputs("usage: ditto [ <options> ] src [ ... src ] dst\n"
               "    <options> are any of:\n"
               "    -x            extract the archive src into dst\n"
               "    -k            the archive is a zip archive\n"
               "    -V            print a line for every file copied\n",
               stderr);
    return 1;
}

} // namespace

int dittoMain(const QStringList& args) {
    bool extract = false;
    bool zip = false;
    QStringList paths;
    // Options about resource forks, extended attributes, ACLs and quarantine change nothing here.
    static const QSet<QString> accepted = {QStringLiteral("-v"),
                                           QStringLiteral("-V"),
                                           QStringLiteral("--rsrc"),
                                           QStringLiteral("--norsrc"),
                                           QStringLiteral("--extattr"),
                                           QStringLiteral("--noextattr"),
                                           QStringLiteral("--qtn"),
                                           QStringLiteral("--noqtn"),
                                           QStringLiteral("--acl"),
                                           QStringLiteral("--noacl"),
                                           QStringLiteral("--sequesterRsrc"),
                                           QStringLiteral("--nocache"),
                                           QStringLiteral("--preserveHFSCompression"),
                                           QStringLiteral("--nopreserveHFSCompression")};
    bool optionsDone = false;
    for (const QString& arg : args) {
        if (!optionsDone && arg == QLatin1String("--")) {
            optionsDone = true;
        } else if (!optionsDone && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            if (accepted.contains(arg))
                continue;
            if (arg.startsWith(QLatin1String("--")))
                return usage();
            for (const QChar c : arg.mid(1)) {
                if (c == QLatin1Char('x'))
                    extract = true;
                else if (c == QLatin1Char('k'))
                    zip = true;
                else if (c != QLatin1Char('v') && c != QLatin1Char('V'))
                    return usage();
            }
        } else {
            paths << arg;
        }
    }
    if (paths.size() != 2 || (zip && !extract))
        return usage();

    const QString& source = paths[0];
    const QString& destination = paths[1];
    try {
        if (extract) {
            if (!QFile::exists(source))
                return fail(source + QStringLiteral(": No such file or directory"));
            if (zip) {
                QFile file(source);
                if (!file.open(QIODevice::ReadOnly) || file.read(4) != QByteArray("PK\x03\x04", 4))
                    return fail(QStringLiteral("Couldn't read PKZip signature"));
            }
            // Like the platform tool, links are made as stored, never written through; whether
            // one may leave the folder is the caller's question (Updater::confine).
            Extraction::Options options;
            options.keepOutsideLinks = true;
            // Whatever a download holds, unpacking it may not fill the disk.
            ExpansionBudget budget{ExpansionLimit(), QFileInfo(source).size()};
            if (const char* bound = std::getenv("QUENLARK_DITTO_MAX_BYTES"))
                budget.limit.lowerTo(QByteArray(bound).toLongLong());
            options.budget = budget;
            Extraction::unpack(source, destination, options);
        } else {
            TreeCopy::copy(source, destination);
        }
    } catch (const std::exception& e) {
        return fail(QString::fromStdString(e.what()));
    }
    return 0;
}
