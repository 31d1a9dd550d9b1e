#include "install/Uninstall.h"

#include "platform/files/RealPath.h"

#include "install/Updater.h"
#include "model/MainBundle.h"
#include "platform/files/Removal.h"
#include "platform/system/ToolPaths.h"
#include "platform/files/Trash.h"
#include "runtime/FileError.h"
#include "runtime/OutsideText.h"
#include "runtime/UpdateError.h"
#include "runtime/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <memory>

#include <unistd.h>

namespace Uninstall {
namespace {

qsizetype components(const QString& path) { return path.split(QLatin1Char('/'), Qt::SkipEmptyParts).size(); }

// Whether `path` lies inside `root` (a real path) at least `depth` levels down, both as the
// item it finally resolves to and as the item that removing it would take away: a link is
// removed itself, so a link placed outside that points inside does not pass.
bool inside(const QString& path, const QString& root, qsizetype depth) {
    if (!QDir::isAbsolutePath(path))
        return false;
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    const qsizetype minimum = components(root) + depth;
    const auto target = realPath(path);
    if (!target || !target->startsWith(prefix) || components(*target) < minimum)
        return false;
    const QFileInfo info(path);
    const auto parent = realPath(info.path());
    if (!parent)
        return false;
    const QString item = (parent->endsWith(QLatin1Char('/')) ? *parent : *parent + QLatin1Char('/')) + info.fileName();
    return item.startsWith(prefix) && components(item) >= minimum;
}

// A file system refusal of the bundle's removal as the sentence the user can act on.
[[noreturn]] void rethrowForBundle(std::exception_ptr error, const QString& name) {
    std::rethrow_exception(UpdateError::from(error, name));
}

void remove(const QString& path, bool permanently, const Context& context) {
    if (permanently)
        Removal::removeItem(path);
    else
        context.moveToTrash(path);
}

bool isLaunchAgent(const QString& path) {
    const QFileInfo info(path);
    return info.suffix() == QLatin1String("plist") &&
           QFileInfo(info.path()).fileName() == QLatin1String("LaunchAgents");
}

} // namespace

Context Context::standard(const QString& applications, const std::optional<QString>& trash, bool sandbox) {
    Context context;
    // Containment is judged against the real folder, as the updater holds it.
    const auto real = realPath(applications);
    if (!real)
        throw UpdateError(applications + QStringLiteral(" doesn't exist."));
    context.applications = *real;
    context.sandbox = sandbox;
    context.running = [](const InstalledApp& app) { return !Updater::running(app).isEmpty(); };
    context.moveToTrash = [trash](const QString& path) {
        if (trash)
            Trash::moveInto(path, *trash);
        else
            Trash::moveToUserTrash(path);
    };
    context.run = [](const QString& tool, const QStringList& arguments) { Updater::run(tool, arguments); };
    return context;
}

std::optional<QString> protectedReason(const InstalledApp& app) {
    if (app.bundleID.startsWith(QLatin1String("com.apple.")))
        return OutsideText::isolated(app.name) + QStringLiteral(" is part of macOS or an Apple app.");
    if (app.bundleID == MainBundle::identifier())
        return QStringLiteral("Quenlark can't remove itself. Drag it to the Trash from Applications.");
    return std::nullopt;
}

QStringList uninstall(const InstalledApp& app, const QStringList& data, const QString& library, bool permanently,
                      const Context& context) {
    Q_ASSERT(context.running);
    Q_ASSERT(permanently || context.moveToTrash);

    // Every check passes before anything is touched.
    if (auto reason = protectedReason(app))
        throw UpdateError(*reason);
    // Checked and removed in their clean form, so that a trailing "/" or "." never makes a
    // link stand for the folder it points to.
    const QString bundle = QDir::cleanPath(app.url);
    if (!inside(bundle, context.applications, 1))
        throw UpdateError(OutsideText::isolated(app.name) + QStringLiteral(" isn't inside ") + context.applications +
                          QLatin1Char('.'));
    if (context.running(app))
        throw UpdateError(OutsideText::isolated(app.name) + QStringLiteral(" is running. Quit it first."));
    // A home without a Library (as on most of our machines) has no leftovers in it, and is no
    // reason to keep the bundle; only leftovers to remove need the folder they must lie in.
    const auto root = data.isEmpty() ? std::optional<QString>(library) : realPath(library);
    if (!root)
        throw UpdateError(library + QStringLiteral(" doesn't exist."));
    QStringList paths;
    for (const QString& path : data) {
        paths.append(QDir::cleanPath(path));
        if (!inside(paths.back(), *root, 2))
            throw UpdateError(QStringLiteral("Refusing to remove ") + path +
                              QStringLiteral(": it isn't an app's own folder inside ") + *root + QLatin1Char('.'));
    }

    try {
        remove(bundle, permanently, context);
    } catch (...) {
        rethrowForBundle(std::current_exception(), app.name);
    }
    QStringList removed{bundle};

    const QString domain = QStringLiteral("gui/") + QString::number(::getuid());
    for (const QString& path : paths) {
        if (!context.sandbox && context.run && isLaunchAgent(path)) {
            try {
                context.run(ToolPaths::launchctl, {QStringLiteral("bootout"), domain, path});
            } catch (...) {
                // An agent that is not loaded is no reason to keep its file.
                Log::swallowed(lcInstall(), "Unloading a launch agent", std::current_exception());
            }
        }
        // An item inside one removed before went with it; removing it again would report a
        // failure after everything is gone.
        const bool gone = std::any_of(removed.begin() + 1, removed.end(), [&](const QString& earlier) {
            return path == earlier || path.startsWith(earlier + QLatin1Char('/'));
        });
        if (!gone)
            remove(path, permanently, context);
        removed.append(path);
    }
    return removed;
}

QString failureText(const QString& description, bool permanently) {
    if (permanently)
        return description;
    return description + QStringLiteral(" Anything already moved is in the Trash and can be put back from there.");
}

} // namespace Uninstall
