// The administrator step: one root shell line that copies the checked package into a private
// folder, checks it again as root and only then installs it, run through AppleScript's
// administrator form one prompt at a time.
#include "install/Updater.h"

#include "install/AppleScriptError.h"
#include "platform/files/RootOwned.h"
#include "platform/system/ToolPaths.h"
#include "runtime/Blocking.h"
#include "runtime/Cancelled.h"
#include "runtime/FileError.h"
#include "runtime/Log.h"
#include "runtime/OutsideText.h"
#include "runtime/UpdateError.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

// A whole-text match: a bare "$" would also match before a final line break and let one through.
QRegularExpression whole(const QString& pattern) {
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

// Absolute; letters, digits, dot, underscore, slash and hyphen only; no "/../", no final "/..".
bool plainPath(const QString& path) {
    static const QRegularExpression allowed = whole(QStringLiteral("^/[A-Za-z0-9._/_-]+$"));
    return allowed.match(path).hasMatch() && !path.contains(QStringLiteral("/../")) &&
           !path.endsWith(QStringLiteral("/.."));
}

const QString pathRefusal =
    QStringLiteral("The package's temporary path has unexpected characters. Refusing to run it.");

} // namespace

QString Updater::rootCommand(const QString& package, const QString& sha256, const QString& team,
                             const QString& tempBase, bool dryRun) {
    if (!plainPath(package) || !plainPath(tempBase))
        throw UpdateError(pathRefusal);
    static const QRegularExpression digest = whole(QStringLiteral("^[0-9a-f]{64}$"));
    if (!digest.match(sha256).hasMatch())
        throw UpdateError(QStringLiteral("The package checksum isn't valid."));
    static const QRegularExpression teamID = whole(QStringLiteral("^[A-Z0-9]{10}$"));
    if (!teamID.match(team).hasMatch())
        throw UpdateError(QStringLiteral("The package's Team ID isn't valid."));

    // Where the line runs here: the stand-ins of the platform's tools and the system's /tmp.
    // They go into the line unquoted, so they obey the same rules. Run as root, the stand-ins
    // and the anchors they trust are the installed ones, and only when nobody but the
    // administrator can change them or any folder above them.
    const bool asRoot = !ToolPaths::isMacForm() && !ToolPaths::unprivilegedElevation();
    const auto refuseUntrusted = [](const std::optional<QString>& untrusted) {
        if (untrusted)
            throw UpdateError(QStringLiteral("Quenlark won't run its installer tools as administrator: ") + *untrusted +
                              QStringLiteral(" is missing or can be changed without administrator rights. Nothing was "
                                             "installed."));
    };
    QString anchors;
    if (asRoot) {
        anchors = ToolPaths::installedAnchors();
        if (!plainPath(anchors))
            throw UpdateError(pathRefusal);
        refuseUntrusted(RootOwned::untrustedFolder(anchors));
    }
    const auto tool = [&](const QString& path) {
        const QString local = asRoot ? ToolPaths::installed(path) : ToolPaths::local(path);
        if (!plainPath(local))
            throw UpdateError(pathRefusal);
        if (!asRoot || !ToolPaths::isStandIn(path))
            return local;
        refuseUntrusted(RootOwned::untrusted(local));
        return path == ToolPaths::installer ? local : QStringLiteral("QUENLARK_ANCHORS=") + anchors + u' ' + local;
    };
    const QString base = tool(tempBase);
    const QString& P = package;
    QString line;
    line += QStringLiteral("d=$(/usr/bin/mktemp -d '") + base +
            QStringLiteral("/quenlark-pkg.XXXXXX') || exit 91; trap '/bin/rm -rf \"$d\"' EXIT; ");
    line += QStringLiteral("/bin/cp '") + P + QStringLiteral("' \"$d/p.pkg\" || exit 91; ");
    line += QStringLiteral("echo '") + sha256 +
            QStringLiteral("  '\"$d/p.pkg\" | /usr/bin/shasum -a 256 -c - >/dev/null 2>&1 || exit 92; ");
    line += tool(ToolPaths::pkgutil) + QStringLiteral(" --check-signature \"$d/p.pkg\" > \"$d/sig\" 2>&1; ");
    line += QStringLiteral("/usr/bin/grep -Eq '^ *Status: signed by a developer certificate issued by Apple for "
                           "distribution$' \"$d/sig\" || exit 93; ");
    line += QStringLiteral("/usr/bin/grep -Eq '^ *1\\. Developer ID Installer: .* \\(") + team +
            QStringLiteral("\\)$' \"$d/sig\" || exit 94; ");
    line +=
        tool(ToolPaths::spctl) + QStringLiteral(" --assess --type install \"$d/p.pkg\" >/dev/null 2>&1 || exit 95; ");
    if (dryRun)
        line += QStringLiteral("/bin/echo \"would install $d/p.pkg\"");
    else
        line += tool(ToolPaths::installer) + QStringLiteral(" -pkg \"$d/p.pkg\" -target /");
    return line;
}

QString Updater::appleScriptLiteral(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        const auto category = c.category();
        // Control and format characters go, line breaks and tabs included; surrogate halves of
        // a pair are kept (their pair is checked as a whole below).
        if (category == QChar::Other_Control || category == QChar::Other_Format)
            continue;
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'"')
            out += QStringLiteral("\\\"");
        else
            out += c;
    }
    // Format characters beyond the basic plane (tags, for example) are pairs of surrogates.
    QString filtered;
    filtered.reserve(out.size());
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out[i].isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate()) {
            const char32_t code = QChar::surrogateToUcs4(out[i], out[i + 1]);
            if (QChar::category(code) != QChar::Other_Format)
                filtered += out.mid(i, 2);
            ++i;
            continue;
        }
        filtered += out[i];
    }
    filtered += u'"';
    return filtered;
}

QString Updater::adminScript(const QString& line, const QString& name) {
    return QStringLiteral("do shell script ") + appleScriptLiteral(line) + QStringLiteral(" with prompt ") +
           appleScriptLiteral(QStringLiteral("Quenlark needs your administrator password to install ") + name +
                              QStringLiteral(" with its installer package.")) +
           QStringLiteral(" with administrator privileges");
}

std::mutex& Updater::appleScriptLock() {
    static std::mutex lock;
    return lock;
}

QString Updater::runAppleScriptNow(const QString& script, const CancelToken& cancel, std::chrono::milliseconds bound) {
    std::lock_guard hold(appleScriptLock());
    const QString tool = ToolPaths::local(ToolPaths::osascript);
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    // A group of its own, so that giving up ends the shell line it started as well.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start(tool, {QStringLiteral("-")});
    if (!process.waitForStarted(-1))
        throw FileError(FileError::Op::Open, tool, ENOENT);
    qCDebug(lcInstall) << "administrator step: osascript started";
    process.write(script.toUtf8());
    process.closeWriteChannel();
    // QProcess drains both pipes while it waits, so neither can fill up and stall the tool.
    QElapsedTimer waited;
    waited.start();
    while (!process.waitForFinished(100) && process.state() != QProcess::NotRunning) {
        const bool cancelled = cancel.isCancelled();
        if (!cancelled && waited.elapsed() < bound.count())
            continue;
        ::kill(-pid_t(process.processId()), SIGKILL);
        process.waitForFinished(5000);
        qCDebug(lcInstall) << "administrator step:" << (cancelled ? "cancelled" : "ran past its bound")
                           << "and was killed";
        if (cancelled)
            throw Cancelled();
        throw AppleScriptError(std::nullopt, QStringLiteral("it ran past its time limit and was stopped"));
    }
    qCDebug(lcInstall) << "administrator step: osascript exited with" << process.exitCode();
    const QByteArray out = process.readAllStandardOutput();
    const QByteArray err = process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) {
        QString text = QString::fromUtf8(out);
        while (!text.isEmpty() && (text.back() == u'\n' || text.back() == u'\r'))
            text.chop(1);
        while (!text.isEmpty() && (text.front() == u'\n' || text.front() == u'\r'))
            text.remove(0, 1);
        return text;
    }
    throw AppleScriptError::fromStderr(QString::fromUtf8(err));
}

QCoro::Task<QString> Updater::runAppleScript(QString script, CancelToken cancel, std::chrono::milliseconds bound) {
    auto work = [script, cancel, bound] { return runAppleScriptNow(script, cancel, bound); };
    co_return co_await Blocking::run(work, Blocking::Pool::Admin);
}

UpdateError Updater::adminFailure(const AppleScriptError& error, const QString& appName) {
    const QString name = OutsideText::isolated(appName); // as our sentences show it
    switch (error.number.value_or(0)) {
    case -128:
        if (error.number)
            return UpdateError(QStringLiteral("You cancelled the administrator prompt. Nothing was installed."),
                               {.final = true});
        break;
    case 91:
        return UpdateError(QStringLiteral("Quenlark couldn't copy ") + name +
                           QStringLiteral("'s installer package into a private folder. Nothing was installed."));
    case 92:
        return UpdateError(name +
                           QStringLiteral("'s installer package changed after Quenlark checked it (SHA-256 mismatch "
                                          "in the administrator step). Nothing was installed."));
    case 93:
        return UpdateError(name +
                           QStringLiteral("'s installer package isn't signed by a Developer ID Installer "
                                          "certificate Apple trusts (checked again as administrator). Nothing was "
                                          "installed."));
    case 94:
        return UpdateError(name + QStringLiteral("'s installer package is signed by another team than the one Quenlark "
                                                 "checked (checked again as administrator). Nothing was installed."));
    case 95:
        return UpdateError(QStringLiteral("Gatekeeper rejected ") + name +
                           QStringLiteral("'s installer package in the administrator step. Nothing was installed."));
    default:
        break;
    }
    QString sentence = QStringLiteral("The installer failed: ") + error.message;
    if (error.number)
        sentence += QStringLiteral(" (") + QString::number(*error.number) + u')';
    return UpdateError(sentence);
}
