#include "install/Leftovers.h"

#include "platform/files/RealPath.h"
#include "platform/files/Sys.h"

#include "runtime/Blocking.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Leftovers {

const QSet<QString> sharedVendors = {
    QStringLiteral("google"), QStringLiteral("adobe"),     QStringLiteral("microsoft"),
    QStringLiteral("apple"),  QStringLiteral("jetbrains"), QStringLiteral("mozilla"),
};

const QSet<QString> productSuffixes = {
    QStringLiteral("canary"),    QStringLiteral("beta"),    QStringLiteral("dev"),   QStringLiteral("nightly"),
    QStringLiteral("insiders"),  QStringLiteral("preview"), QStringLiteral("alpha"), QStringLiteral("rc"),
    QStringLiteral("edge"),      QStringLiteral("next"),    QStringLiteral("lite"),  QStringLiteral("pro"),
    QStringLiteral("plus"),      QStringLiteral("free"),    QStringLiteral("trial"), QStringLiteral("enterprise"),
    QStringLiteral("education"), QStringLiteral("setapp"),  QStringLiteral("mas"),   QStringLiteral("appstore"),
};

const QStringList helperWords = {
    QStringLiteral("helper"), QStringLiteral("agent"), QStringLiteral("launcher"), QStringLiteral("update"),
    QStringLiteral("daemon"), QStringLiteral("login"), QStringLiteral("service"),  QStringLiteral("xpc"),
    QStringLiteral("sync"),   QStringLiteral("watch"), QStringLiteral("monitor"),  QStringLiteral("startup"),
};

namespace {

const QString byHost = QStringLiteral("Preferences/ByHost");
const QString launchAgents = QStringLiteral("LaunchAgents");
const QString groupContainers = QStringLiteral("Group Containers");
const QString zapPrefix = QStringLiteral("~/Library/");

// Identifiers and names come from other applications' Info.plist files: only a single, ordinary
// path component may become part of a path, so that none of them can reach into another folder
// (an identifier with "/"), claim hidden files (an empty one) or cut a path short (NUL).
bool isPlainComponent(const QString& text) {
    return !text.isEmpty() && text != QLatin1String(".") && text != QLatin1String("..") &&
           !text.contains(QLatin1Char('/')) && !text.contains(QChar(0));
}

bool exists(const QString& path) {
    struct stat st;
    return Sys::stat(QFile::encodeName(path), st) == 0;
}

// Shallow listing in the order the file system returns it; nothing when unreadable.
QStringList listing(const QString& path) {
    QStringList names;
    const Sys::Folder dir = Sys::openFolder(QFile::encodeName(path));
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* n = entry->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        names.append(QFile::decodeName(n));
    }
    return names;
}

qsizetype components(const QString& path) { return path.split(QLatin1Char('/'), Qt::SkipEmptyParts).size(); }

// A relative path without empty or "." pieces.
QString cleanRelative(const QString& rel) {
    QStringList pieces = rel.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    pieces.removeAll(QStringLiteral("."));
    return pieces.join(QLatin1Char('/'));
}

// The Library folder with a relative path appended, as one clean path without a trailing slash.
QString appending(const QString& library, const QString& rel) {
    QString base = library;
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QString tail = cleanRelative(rel);
    if (tail.isEmpty())
        return base;
    if (base.endsWith(QLatin1Char('/')))
        return base + tail;
    return base + QLatin1Char('/') + tail;
}

bool isHex(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// A host UUID (8-4-4-4-12 hexadecimal digits) or twelve hexadecimal digits.
bool isHostSuffix(const QString& text) {
    if (text.size() == 12)
        return std::all_of(text.begin(), text.end(), isHex);
    if (text.size() != 36)
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != QLatin1Char('-') : !isHex(text[i]))
            return false;
    }
    return true;
}

// Sums the allocated sizes below an open folder; never follows a link, never leaves the tree.
qint64 allocatedBelow(UniqueFd folder) {
    const Sys::Folder dir = Sys::openFolder(std::move(folder));
    if (!dir)
        return 0;
    qint64 total = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* n = entry->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        if (entry->d_type != DT_DIR) {
            struct stat st;
            if (Sys::fstatat(::dirfd(dir.get()), n, st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (!S_ISDIR(st.st_mode)) {
                total += qint64(st.st_blocks) * 512;
                continue;
            }
        }
        if (UniqueFd child = Sys::openat(::dirfd(dir.get()), n, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC))
            total += allocatedBelow(std::move(child));
    }
    return total;
}

} // namespace

Match prefixed(const QString& entry, const QString& id, const QString& dir, const QSet<QString>& installed) {
    static const QString plist = QStringLiteral(".plist");
    if (!entry.endsWith(plist))
        return Match::skip;
    if (entry.size() == id.size() + plist.size() && entry.startsWith(id))
        return Match::add;
    const QString stem = id + QLatin1Char('.');
    if (!entry.startsWith(stem))
        return Match::skip;
    const QString middle = entry.mid(stem.size(), entry.size() - stem.size() - plist.size());
    if (middle.isEmpty())
        return Match::skip;
    QStringList parts = middle.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    for (QString& part : parts)
        part = part.toLower();
    // The parts are lower-cased, so the installed identifiers are compared without regard to
    // case: another application's "com.example.app.Helper" owns "com.example.app.Helper.plist".
    QSet<QString> installedLower;
    for (const QString& other : installed)
        installedLower.insert(other.toLower());
    QString extended = id.toLower();
    for (const QString& part : parts) {
        extended += QLatin1Char('.') + part;
        if (installedLower.contains(extended))
            return Match::ambiguous;
    }
    for (const QString& part : parts) {
        if (productSuffixes.contains(part))
            return Match::ambiguous;
    }
    if (dir == byHost)
        return parts.size() == 1 && isHostSuffix(middle) ? Match::add : Match::ambiguous;
    if (dir == launchAgents) {
        if (parts.size() != 1)
            return Match::ambiguous;
        const QString& part = parts.front();
        const bool helper = std::any_of(helperWords.begin(), helperWords.end(),
                                        [&](const QString& word) { return part.contains(word); });
        return helper ? Match::add : Match::ambiguous;
    }
    return Match::ambiguous;
}

qint64 size(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (Sys::lstat(native, st) == 0 && S_ISREG(st.st_mode))
        return qint64(st.st_blocks) * 512;
    // A folder, or a link to one: everything below it, without following links inside.
    return allocatedBelow(Sys::open(native, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

QList<Leftover> find(const InstalledApp& app, const QString& library, const QStringList& caskZap,
                     const QSet<QString>& installed) {
    const QString& id = app.bundleID;
    const QString& name = app.name;
    const bool idUsable = isPlainComponent(id);

    QStringList candidates;
    QSet<QString> ambiguous;

    // An application that keeps its files under its identifier is not searched under its name.
    if (isPlainComponent(name) && !sharedVendors.contains(name.toLower())) {
        for (const char* folder : {"Application Support", "Caches", "Logs"}) {
            const QString base = QLatin1String(folder) + QLatin1Char('/');
            if (!idUsable || !exists(appending(library, base + id)))
                candidates.append(base + name);
        }
    }

    if (idUsable) {
        candidates << QStringLiteral("Application Support/") + id << QStringLiteral("Caches/") + id
                   << QStringLiteral("Preferences/") + id + QStringLiteral(".plist")
                   << QStringLiteral("Containers/") + id << QStringLiteral("Application Scripts/") + id
                   << QStringLiteral("Saved Application State/") + id + QStringLiteral(".savedState")
                   << QStringLiteral("HTTPStorages/") + id
                   << QStringLiteral("HTTPStorages/") + id + QStringLiteral(".binarycookies")
                   << QStringLiteral("WebKit/") + id
                   << QStringLiteral("Cookies/") + id + QStringLiteral(".binarycookies")
                   << QStringLiteral("Logs/") + id;

        QSet<QString> others = installed;
        others.remove(id);
        for (const QString& folder : {byHost, launchAgents}) {
            for (const QString& entry : listing(appending(library, folder))) {
                const Match match = prefixed(entry, id, folder, others);
                if (match == Match::skip)
                    continue;
                const QString rel = folder + QLatin1Char('/') + entry;
                candidates.append(rel);
                if (match == Match::ambiguous)
                    ambiguous.insert(rel);
            }
        }

        const QString suffix = QLatin1Char('.') + id;
        for (const QString& entry : listing(appending(library, groupContainers))) {
            if (entry == id || entry.endsWith(suffix))
                candidates.append(groupContainers + QLatin1Char('/') + entry);
        }
    }

    // Zap paths are taken literally: a wildcard survives only as a file of that very name.
    for (const QString& path : caskZap) {
        if (path.startsWith(zapPrefix))
            candidates.append(path.mid(zapPrefix.size()));
    }

    const auto root = realPath(library);
    if (!root)
        return {};
    const QString rootSlash = *root == QLatin1String("/") ? *root : *root + QLatin1Char('/');
    const qsizetype rootDepth = components(*root);

    QList<Leftover> result;
    QSet<QString> seen;
    for (const QString& rel : candidates) {
        if (rel.isEmpty() || rel.contains(QLatin1String("..")))
            continue;
        const QString url = appending(library, rel);
        if (!exists(url))
            continue;
        const auto real = realPath(url);
        if (!real || !real->startsWith(rootSlash))
            continue;
        // A top-level folder of the Library such as Caches itself is never a leftover.
        if (components(*real) < rootDepth + 2)
            continue;
        if (seen.contains(*real))
            continue;
        seen.insert(*real);

        Leftover item{url, std::nullopt, ambiguous.contains(rel)};
        const QString clean = cleanRelative(rel);
        if (!clean.startsWith(QLatin1String("Containers/")) && !clean.startsWith(QLatin1String("Group Containers/")))
            item.size = size(url);
        result.append(std::move(item));
    }

    std::stable_sort(result.begin(), result.end(), [](const Leftover& a, const Leftover& b) { return a.url < b.url; });
    return result;
}

QCoro::Task<QList<Leftover>> search(InstalledApp app, QString library, QStringList caskZap, QSet<QString> installed) {
    // A named lambda: GCC 12 destroys a capturing lambda written inside the co_await expression
    // twice.
    auto work = [app = std::move(app), library = std::move(library), caskZap = std::move(caskZap),
                 installed = std::move(installed)] { return find(app, library, caskZap, installed); };
    co_return co_await Blocking::run(work, Blocking::Pool::Scan);
}

} // namespace Leftovers
