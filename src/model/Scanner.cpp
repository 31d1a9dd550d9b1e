#include "model/Scanner.h"

#include "model/NaturalOrder.h"
#include "platform/codesign/CodeSignature.h"
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
    QString name;
    bool isDirectory = false;
    bool isLink = false;
};

class Directory {
public:
    explicit Directory(const QString& path) : dir_(opendir(QFile::encodeName(path).constData())) {}
    ~Directory() {
        if (dir_)
            closedir(dir_);
    }
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    // The folder's entries in listing order, hidden ones left out; nothing when it can't be
    // listed. The kind of an entry is known only when `withKinds` asks for it.
    std::optional<std::vector<Entry>> entries(bool withKinds) {
        if (!dir_)
            return std::nullopt;
        std::vector<Entry> result;
        while (const dirent* item = readdir(dir_)) {
            if (item->d_name[0] == '.')
                continue;
            Entry entry{QFile::decodeName(item->d_name)};
            if (withKinds) {
                unsigned char type = item->d_type;
                if (type == DT_UNKNOWN) {
                    struct stat info {};
                    if (fstatat(dirfd(dir_), item->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0)
                        type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISLNK(info.st_mode) ? DT_LNK : DT_REG;
                }
                entry.isDirectory = type == DT_DIR;
                entry.isLink = type == DT_LNK;
            }
            result.push_back(std::move(entry));
        }
        return result;
    }

private:
    DIR* dir_;
};

// The extension is what follows the last dot of a name that has something before that dot.
bool isApplication(const QString& name) {
    return name.size() > 4 && name.endsWith(QLatin1String(".app"), Qt::CaseSensitive);
}

QString join(const QString& folder, const QString& name) {
    return folder == QLatin1String("/") ? folder + name : folder + QLatin1Char('/') + name;
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

bool exists(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0;
}

// Opening a pipe or a device would wait for a writer or read without end.
bool isRegularFile(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
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

} // namespace

QList<InstalledApp> scan(const QStringList& folders) {
    QList<InstalledApp> found;
    for (const auto& given : folders) {
        const auto folder = Url::canonicalPath(given);
        const auto entries = Directory(folder).entries(true);
        if (!entries)
            continue;
        for (const auto& entry : *entries) {
            if (entry.isLink)
                continue;
            const auto path = join(folder, entry.name);
            if (isApplication(entry.name)) {
                if (auto app = read(path, folder))
                    found.append(std::move(*app));
            } else if (entry.isDirectory) {
                // One level down only; links there are followed.
                for (const auto& inner : Directory(path).entries(false).value_or(std::vector<Entry>{})) {
                    if (!isApplication(inner.name))
                        continue;
                    if (auto app = read(join(path, inner.name), folder))
                        found.append(std::move(*app));
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
    const auto contents = url + QStringLiteral("/Contents");
    const auto infoPath = contents + QStringLiteral("/Info.plist");
    // The bundle's Info.plist is read once, for the record and for finding the executable.
    const auto bundle = CodeBundle::at(url);
    if (!bundle || bundle->infoPlistPath != infoPath)
        return std::nullopt;
    auto info = bundle->info;
    if (!info && isRegularFile(infoPath))
        info = PropertyList::dictionaryFromFile(infoPath); // beyond what the signature reads
    if (!info)
        return std::nullopt;
    const auto identifier = info->value(QStringLiteral("CFBundleIdentifier"));
    if (identifier.typeId() != QMetaType::QString)
        return std::nullopt;

    InstalledApp app;
    app.url = url;
    app.folder = folder;
    const auto fileName = url.section(u'/', -1);
    app.name = nfc(fileName.contains(u'.') && !fileName.startsWith(u'.') ? fileName.section(u'.', 0, -2) : fileName);
    app.bundleID = nfc(identifier.toString());
    app.version = normalised(*info, QStringLiteral("CFBundleShortVersionString"));
    app.build = normalised(*info, QStringLiteral("CFBundleVersion"));
    app.team = CodeSignature::teamIdentifier(*bundle);
    app.isAppStore = exists(contents + QStringLiteral("/_MASReceipt/receipt"));
    if (const auto feed = normalised(*info, QStringLiteral("SUFeedURL")))
        app.feedURL = Url::parse(*feed);
    app.edKey = normalised(*info, QStringLiteral("SUPublicEDKey"));
    app.electronFeed = electronFeed(contents + QStringLiteral("/Resources/app-update.yml"));
    return app;
}

Signing signing(const QString& url) { return Signing{CodeSignature::teamIdentifier(url)}; }

std::optional<QUrl> electronFeed(const QString& path) {
    QFile file(path);
    if (!isRegularFile(path) || !file.open(QIODevice::ReadOnly) || file.size() > maxFeedFileSize)
        return std::nullopt;
    const auto bytes = file.read(file.size());
    if (bytes.size() != file.size())
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
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

} // namespace Scanner
