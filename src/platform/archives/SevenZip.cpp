#include "platform/archives/SevenZip.h"

#include "platform/system/Subprocess.h"
#include "platform/files/Sys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace SevenZip {
namespace {

const QString sevenZip = QStringLiteral("/usr/bin/7z");

[[noreturn]] void fail(const QString& reason) {
    throw Failure(reason.toStdString());
}

struct Link {
    QString path;
    QString target;
};

} // namespace

void extract(const QString& part, const QString& format, const QString& dest, std::optional<ExpansionBudget> budget) {
    const QString type = QStringLiteral("-t") + format;
    Subprocess::Result listing;
    try {
        listing = Subprocess::exec(sevenZip, {QStringLiteral("l"), QStringLiteral("-slt"), type, part});
    } catch (const std::exception&) {
        fail(QStringLiteral("7-Zip is needed to read HFS+ and APFS volumes"));
    }
    if (listing.status != 0)
        fail(QStringLiteral("no mountable file systems"));

    QList<Link> links;
    const QStringList lines = QString::fromUtf8(listing.output).split(QLatin1Char('\n'));
    const qsizetype start = lines.indexOf(QStringLiteral("----------"));
    QString path, mode, target;
    qint64 size = 0;
    const auto flush = [&] {
        if (!path.isEmpty()) {
            const QString rooted = QStringLiteral("/") + path;
            if (path.startsWith(QLatin1Char('/')) || QDir::cleanPath(rooted) != rooted)
                fail(path + QStringLiteral(": a name leaves the volume"));
            if (mode.startsWith(QLatin1Char('l')))
                links.append({path, target});
            else if (budget && !mode.startsWith(QLatin1Char('d')) && (size < 0 || !budget->take(size)))
                fail(QStringLiteral("The image expands to far more than it holds"));
        }
        path.clear();
        mode.clear();
        target.clear();
        size = 0;
    };
    for (qsizetype i = start < 0 ? lines.size() : start + 1; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.isEmpty()) {
            flush();
        } else if (line.startsWith(QLatin1String("Path = "))) {
            path = line.mid(7);
        } else if (line.startsWith(QLatin1String("Mode = "))) {
            mode = line.mid(7);
        } else if (line.startsWith(QLatin1String("Symbolic Link = "))) {
            target = line.mid(16);
        } else if (line.startsWith(QLatin1String("Size = "))) {
            const QString value = line.mid(7).trimmed();
            bool ok = value.isEmpty();
            size = ok ? 0 : value.toLongLong(&ok);
            if (!ok)
                size = -1; // a size that can't be read can't be bounded
        }
    }
    flush();

    const auto result = Subprocess::exec(
        sevenZip, {QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-snld"), type, QStringLiteral("-o") + dest, part});
    if (result.status != 0) {
        // Only refused links may have gone wrong: they are made again below.
        const QStringList report = QString::fromUtf8(result.output).split(QLatin1Char('\n'));
        for (const QString& line : report) {
            if (line.startsWith(QLatin1String("ERROR:")) && !line.contains(QLatin1String("Dangerous link path")))
                fail(line.mid(6).trimmed());
        }
        if (result.status != 2)
            fail(QStringLiteral("no mountable file systems"));
    }

    // Drop every link 7-Zip made, then make the stored ones, never below another link.
    QList<QString> folders{dest};
    while (!folders.isEmpty()) {
        const QString folder = folders.takeLast();
        for (const QFileInfo& info :
             QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            if (info.isSymLink())
                QFile::remove(info.filePath());
            else if (info.isDir())
                folders.append(info.filePath());
        }
    }
    for (const Link& link : links) {
        const QStringList parts = link.path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        QString at = dest;
        bool clear = true;
        for (qsizetype i = 0; i + 1 < parts.size() && clear; ++i) {
            at += QLatin1Char('/') + parts[i];
            struct stat st;
            clear = Sys::lstat(QFile::encodeName(at), st) == 0 && S_ISDIR(st.st_mode);
        }
        const QByteArray where = QFile::encodeName(dest + QLatin1Char('/') + parts.join(QLatin1Char('/')));
        if (clear && !parts.isEmpty()) {
            Sys::unlink(where);
            if (Sys::symlink(QFile::encodeName(link.target), where) != 0)
                fail(link.path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
        }
    }
}


} // namespace SevenZip
