#include "model/Scanner.h"

#include "model/NaturalOrder.h"
#include "platform/codesign/CodeBundle.h"
#include "platform/codesign/CodeSignature.h"
#include "platform/files/SmallFile.h"
#include "platform/files/Sys.h"
#include "platform/system/PropertyList.h"
#include "runtime/Blocking.h"
#include "runtime/Url.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <numeric>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace Scanner {
namespace {

// An app-update.yml is a few lines; anything much larger is not one.
constexpr qint64 maxFeedFileSize = 1024 * 1024;

struct Entry {
    QByteArray native; // the name as the folder lists it
    QString name;
    bool isDirectory = false;
    bool isLink = false;
};

// A folder's entries in listing order, hidden ones left out, and the folder still open, so what
// is in it is opened relative to it.
struct Listing {
    Sys::Folder folder;
    std::vector<Entry> entries;

    int fd() const { return dirfd(folder.get()); }
};

// The listing of the folder open at `fd`; nothing when it can't be listed. The kind of an entry
// is known only when `withKinds` asks for it.
std::optional<Listing> list(UniqueFd fd, bool withKinds) {
    Listing listing{Sys::openFolder(std::move(fd)), {}};
    if (!listing.folder)
        return std::nullopt;
    while (const dirent* item = readdir(listing.folder.get())) {
        if (item->d_name[0] == '.')
            continue;
        Entry entry{QByteArray(item->d_name), QFile::decodeName(item->d_name)};
        if (withKinds) {
            unsigned char type = item->d_type;
            if (type == DT_UNKNOWN) {
                struct stat info {};
                if (Sys::fstatat(listing.fd(), entry.native, info, AT_SYMLINK_NOFOLLOW) == 0)
                    type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISLNK(info.st_mode) ? DT_LNK : DT_REG;
            }
            entry.isDirectory = type == DT_DIR;
            entry.isLink = type == DT_LNK;
        }
        listing.entries.push_back(std::move(entry));
    }
    return listing;
}

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
// A bundle is only ever looked into, never read as a folder.
constexpr int bundleFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// The extension is what follows the last dot of a name that has something before that dot.
bool isApplication(const QString& name) {
    return name.size() > 4 && name.endsWith(QLatin1String(".app"), Qt::CaseSensitive);
}

QString join(const QString& folder, const QString& name) {
    if (folder == QLatin1String("/"))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// The horizontal whitespace set: tab and the space separators, never line breaks.
bool isHorizontalSpace(QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; }

template <typename Pred>
QString trimmed(const QString& text, Pred drop) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && drop(text.at(start)))
        ++start;
    while (end > start && drop(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

QString nfc(const QString& text) { return text.normalized(QString::NormalizationForm_C); }

// A value's plain text: a string is itself, a number its decimal text, a boolean 1 or 0.
// Dates, data, arrays and dictionaries have no such text and count as absent.
std::optional<QString> plainText(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString:
        return nfc(value.toString());
    case QMetaType::LongLong:
    case QMetaType::Int:
        return QString::number(value.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::UInt:
        return QString::number(value.toULongLong());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return std::nullopt;
    }
}

// An optional Info.plist value: its plain text with horizontal whitespace trimmed, nothing
// when absent or empty.
std::optional<QString> normalised(const QVariantMap& info, const QString& key) {
    const auto found = info.constFind(key);
    if (found == info.constEnd())
        return std::nullopt;
    const auto text = plainText(*found);
    if (!text)
        return std::nullopt;
    auto result = trimmed(*text, isHorizontalSpace);
    if (result.isEmpty())
        return std::nullopt;
    return result;
}

// Splits at the first colon after any leading colons; nothing unless both pieces are non-empty.
std::optional<std::pair<QString, QString>> keyAndValue(const QString& line) {
    qsizetype start = 0;
    while (start < line.size() && line.at(start) == u':')
        ++start;
    const auto colon = line.indexOf(u':', start);
    if (colon < 0 || colon + 1 >= line.size())
        return std::nullopt;
    return std::pair{line.mid(start, colon - start), line.mid(colon + 1)};
}

// The "latest-mac.yml" address an electron-updater file declares.
std::optional<QUrl> feedFrom(const std::optional<QByteArray>& bytes) {
    if (!bytes)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(*bytes);
    if (decoder.hasError())
        return std::nullopt;

    QHash<QString, QString> table;
    for (auto line : text.split(u'\n', Qt::SkipEmptyParts)) {
        // A file written with CRLF line ends reads as if it had LF ends.
        if (line.endsWith(u'\r'))
            line.chop(1);
        const auto pair = keyAndValue(line);
        if (!pair)
            continue;
        table.insert(trimmed(pair->first, isHorizontalSpace),
                     trimmed(pair->second, [](QChar c) { return c == u' ' || c == u'\'' || c == u'"'; }));
    }

    const auto provider = table.constFind(QStringLiteral("provider"));
    if (provider == table.constEnd())
        return std::nullopt;
    if (*provider == QLatin1String("generic")) {
        const auto address = table.constFind(QStringLiteral("url"));
        if (address == table.constEnd())
            return std::nullopt;
        const auto base = Url::parse(*address);
        if (!base)
            return std::nullopt;
        return Url::appending(*base, QStringLiteral("latest-mac.yml"));
    }
    if (*provider == QLatin1String("github")) {
        const auto owner = table.constFind(QStringLiteral("owner"));
        const auto repo = table.constFind(QStringLiteral("repo"));
        if (owner == table.constEnd() || repo == table.constEnd())
            return std::nullopt;
        return Url::parse(QStringLiteral("https://github.com/") + *owner + QLatin1Char('/') + *repo +
                          QStringLiteral("/releases/latest/download/latest-mac.yml"));
    }
    return std::nullopt;
}

std::optional<InstalledApp> readBundle(UniqueFd bundle, const QString& url, const QString& folder) {
    if (!bundle)
        return std::nullopt;
    // Parsed once, for the record and for finding the executable.
    const auto bytes = SmallFile::read(bundle.get(), "Contents/Info.plist", PropertyList::maxFileSize);
    const auto plist = bytes ? PropertyList::fromBytes(*bytes) : std::nullopt;
    if (!plist || plist->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap info = plist->toMap();
    const auto identifier = info.value(QStringLiteral("CFBundleIdentifier"));
    if (identifier.typeId() != QMetaType::QString)
        return std::nullopt;

    InstalledApp app;
    app.url = url;
    app.folder = folder;
    const auto fileName = url.section(u'/', -1);
    app.name = nfc(fileName.contains(u'.') && !fileName.startsWith(u'.') ? fileName.section(u'.', 0, -2) : fileName);
    app.bundleID = nfc(identifier.toString());
    app.version = normalised(info, QStringLiteral("CFBundleShortVersionString"));
    app.build = normalised(info, QStringLiteral("CFBundleVersion"));
    const auto executableName =
        bytes->size() <= CodeBundle::maxInfoPlist ? CodeBundle::executableName(info) : std::nullopt;
    if (executableName) {
        if (auto executable =
                CodeBundle::openInside(bundle.get(), url, QStringLiteral("Contents/MacOS/") + *executableName))
            app.team = CodeSignature::teamIdentifier(*executable);
    }
    struct stat receipt {};
    app.isAppStore = Sys::fstatat(bundle.get(), "Contents/_MASReceipt/receipt", receipt, 0) == 0;
    if (const auto feed = normalised(info, QStringLiteral("SUFeedURL")))
        app.feedURL = Url::parse(*feed);
    app.edKey = normalised(info, QStringLiteral("SUPublicEDKey"));
    app.electronFeed = feedFrom(SmallFile::read(bundle.get(), "Contents/Resources/app-update.yml", maxFeedFileSize));
    return app;
}

} // namespace

QList<InstalledApp> scan(const QStringList& folders) {
    QList<InstalledApp> found;
    const auto take = [&](int folder, const Entry& entry, const QString& path, const QString& root) {
        if (auto app = readBundle(Sys::openat(folder, entry.native, bundleFlags), path, root))
            found.append(std::move(*app));
    };
    for (const auto& given : folders) {
        const auto folder = Url::canonicalPath(given);
        const auto top = list(Sys::open(QFile::encodeName(folder), folderFlags), true);
        if (!top)
            continue;
        for (const auto& entry : top->entries) {
            if (entry.isLink)
                continue;
            const auto path = join(folder, entry.name);
            if (isApplication(entry.name)) {
                take(top->fd(), entry, path, folder);
            } else if (entry.isDirectory) {
                // One level down only; links there are followed.
                const auto inner = list(Sys::openat(top->fd(), entry.native, folderFlags), false);
                if (!inner)
                    continue;
                for (const auto& item : inner->entries) {
                    if (isApplication(item.name))
                        take(inner->fd(), item, join(path, item.name), folder);
                }
            }
        }
    }

    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(found.size()));
    for (const auto& app : found)
        keys.push_back(NaturalOrder::sortKey(app.name));
    std::vector<qsizetype> order(size_t(found.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    QList<InstalledApp> sorted;
    sorted.reserve(found.size());
    for (const auto index : order)
        sorted.append(std::move(found[index]));
    return sorted;
}

QCoro::Task<QList<InstalledApp>> scanInBackground(QStringList folders) {
    auto work = [folders = std::move(folders)] { return scan(folders); };
    co_return co_await Blocking::run(work, Blocking::Pool::Scan);
}

std::optional<InstalledApp> read(const QString& url, const QString& folder) {
    // A bundle's path is given without a trailing slash; one with it names no bundle.
    if (url.size() > 1 && url.endsWith(u'/'))
        return std::nullopt;
    return readBundle(Sys::open(QFile::encodeName(url), bundleFlags), url, folder);
}

Signing signing(const QString& url) { return Signing{CodeSignature::teamIdentifier(url)}; }

std::optional<QUrl> electronFeed(const QString& path) { return feedFrom(SmallFile::read(path, maxFeedFileSize)); }

} // namespace Scanner
