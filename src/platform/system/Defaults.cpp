#include "platform/system/Defaults.h"

#include "platform/system/PropertyList.h"
#include "platform/files/Sys.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStandardPaths>

#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QMutex registryMutex;
QHash<QString, std::shared_ptr<Defaults>>& registry() {
    static QHash<QString, std::shared_ptr<Defaults>> domains;
    return domains;
}

QString pathFor(const QString& name) { return Defaults::folder() + QLatin1Char('/') + name + QStringLiteral(".plist"); }

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

// The settings folder's lock, held while a domain is read, changed and written, so that copies
// running side by side take turns. A copy holding it for more than a moment is hung: after two
// seconds the caller goes on without it (each write is atomic all the same).
class FolderLock {
public:
    explicit FolderLock(const QString& folder)
        : fd_(Sys::open(QFile::encodeName(folder), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (!fd_)
            return;
        using namespace std::chrono_literals;
        for (auto waited = 0ms; waited < 2s; waited += 10ms) {
            if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) {
                held_ = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR)
                break;
            std::this_thread::sleep_for(10ms);
        }
        qWarning().noquote() << "The settings folder" << folder << "stayed locked; going on without the lock.";
    }
    bool held() const { return held_; }

private:
    UniqueFd fd_; // closing it releases the lock
    bool held_ = false;
};

QString folderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

// QSaveFile's temporary beside `file`: the name and six letters or digits.
bool isSaveTemporary(const QString& name, const QString& file) {
    if (name.size() != file.size() + 7 || !name.startsWith(file) || name.at(file.size()) != QLatin1Char('.'))
        return false;
    for (qsizetype i = file.size() + 1; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.unicode() > 0x7f || !c.isLetterOrNumber())
            return false;
    }
    return true;
}

} // namespace

std::shared_ptr<Defaults> Defaults::standard() { return suite(standardName); }

std::shared_ptr<Defaults> Defaults::suite(const QString& name) {
    const QString path = pathFor(name);
    QMutexLocker lock(&registryMutex);
    auto& slot = registry()[path];
    if (!slot)
        slot = std::make_shared<Defaults>(path);
    return slot;
}

void Defaults::removePersistentDomain(const QString& name) {
    const QString path = pathFor(name);
    std::shared_ptr<Defaults> live;
    {
        QMutexLocker lock(&registryMutex);
        live = registry().value(path);
    }
    if (live) {
        live->forget();
    } else {
        FolderLock lock(folderOf(path));
        QFile::remove(path);
    }
}

QString Defaults::folder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + standardName;
}

void Defaults::resetForTest() {
    flushAll();
    QMutexLocker lock(&registryMutex);
    registry().clear();
}

bool Defaults::flushAll() {
    QList<std::shared_ptr<Defaults>> domains;
    {
        QMutexLocker lock(&registryMutex);
        domains = registry().values();
    }
    bool all = true;
    for (const auto& domain : domains)
        all = domain->flush() && all;
    return all;
}

Defaults::Defaults(QString path) : path_(std::move(path)) {
    const FolderLock lock(folderOf(path_));
    // Under the lock no write of any copy is under way: a temporary now is one a killed
    // write left behind.
    if (lock.held())
        removeStaleTemporaries();
    load();
}

Defaults::~Defaults() {
    flush();
    {
        QMutexLocker lock(&mutex_);
        stopping_ = true;
        wake_.wakeAll();
    }
    if (writer_.joinable())
        writer_.join();
}

void Defaults::load() {
    seen_ = look();
    if (!seen_.exists)
        return;
    if (auto values = PropertyList::dictionaryFromFile(path_)) {
        stored_ = values_ = std::move(*values);
        unreadable_ = false;
        return;
    }
    qWarning().noquote() << "Settings file" << path_ << "cannot be read; it will be kept aside.";
    unreadable_ = true;
}

Defaults::Seen Defaults::look() const {
    struct stat info {};
    if (Sys::stat(QFile::encodeName(path_), info) != 0)
        return {};
    const auto nanoseconds = [](const timespec& t) { return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
    return {true,
            quint64(info.st_dev),
            quint64(info.st_ino),
            qint64(info.st_size),
            nanoseconds(info.st_mtim),
            nanoseconds(info.st_ctim)};
}

void Defaults::removeStaleTemporaries() const {
    const QString folder = folderOf(path_);
    const QString file = QFileInfo(path_).fileName();
    const QStringList names =
        QDir(folder).entryList({file + QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (!isSaveTemporary(name, file))
            continue;
        // Only a plain file of this user's: never a link, never someone else's.
        const QByteArray native = QFile::encodeName(folder + QLatin1Char('/') + name);
        struct stat info {};
        if (Sys::lstat(native, info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::getuid())
            continue;
        if (Sys::unlink(native) == 0)
            qInfo().noquote() << QStringLiteral("Removed %1, left by an interrupted write of the settings.").arg(name);
    }
}

void Defaults::forget() {
    QMutexLocker lock(&mutex_);
    pending_.clear();
    while (writing_)
        tried_.wait(&mutex_);
    const FolderLock folder(folderOf(path_));
    values_.clear();
    stored_.clear();
    unreadable_ = failed_ = false;
    QFile::remove(path_);
    seen_ = look();
}

void Defaults::registerDefaults(const QVariantMap& values) {
    QMutexLocker lock(&mutex_);
    for (auto it = values.begin(); it != values.end(); ++it)
        registered_.insert(it.key(), it.value());
}

QVariant Defaults::lookup(const QString& key) const {
    QMutexLocker lock(&mutex_);
    if (auto it = values_.constFind(key); it != values_.constEnd())
        return *it;
    return registered_.value(key);
}

QVariant Defaults::object(const QString& key) const { return lookup(key); }

bool Defaults::boolean(const QString& key) const {
    const QVariant value = lookup(key);
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return value.toDouble() != 0;
    return isNumber(value) && value.toLongLong() != 0;
}

qint64 Defaults::integer(const QString& key) const {
    const QVariant value = lookup(key);
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        // Qt would round (0.6 hours would become 1); a real reads as its whole part, within range.
        const double real = value.toDouble();
        if (std::isnan(real))
            return 0;
        if (real >= 0x1p63)
            return std::numeric_limits<qint64>::max();
        if (real < -0x1p63)
            return std::numeric_limits<qint64>::min();
        return qint64(std::trunc(real));
    }
    return isNumber(value) ? value.toLongLong() : 0;
}

std::optional<QString> Defaults::string(const QString& key) const {
    const QVariant value = lookup(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<QStringList> Defaults::stringArray(const QString& key) const {
    const QVariant value = lookup(key);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList strings;
    for (const auto& element : value.toList()) {
        if (element.typeId() != QMetaType::QString)
            return std::nullopt;
        strings.append(element.toString());
    }
    return strings;
}

std::optional<QVariantMap> Defaults::dictionary(const QString& key) const {
    const QVariant value = lookup(key);
    if (value.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return value.toMap();
}

std::optional<QByteArray> Defaults::data(const QString& key) const {
    const QVariant value = lookup(key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

std::optional<QDateTime> Defaults::date(const QString& key) const {
    const QVariant value = lookup(key);
    if (value.typeId() != QMetaType::QDateTime)
        return std::nullopt;
    return value.toDateTime();
}

bool Defaults::set(const QString& key, const QVariant& value) {
    if (!PropertyList::storable(QVariantMap{{key, value}})) {
        qWarning().noquote() << "A setting for" << path_ << "cannot be kept in a property list.";
        return false;
    }
    change(key, value);
    return true;
}

void Defaults::remove(const QString& key) { change(key, std::nullopt); }

void Defaults::change(const QString& key, std::optional<QVariant> value) {
    QMutexLocker lock(&mutex_);
    if (value)
        values_.insert(key, *value);
    else
        values_.remove(key);
    pending_.insert(key, std::move(value));
    ++asked_;
    waiting_ = false;
    if (!writer_.joinable())
        writer_ = std::thread([this] { writeLoop(); });
    wake_.wakeOne();
}

bool Defaults::flush() {
    QMutexLocker lock(&mutex_);
    if (pending_.isEmpty() && !writing_)
        return !failed_;
    const quint64 asked = asked_, rounds = rounds_;
    waiting_ = false; // a failed write is tried once more
    wake_.wakeOne();
    while (attempted_ < asked || rounds_ == rounds)
        tried_.wait(&mutex_);
    return !failed_;
}

QVariantMap Defaults::applied(QVariantMap values, const Changes& changes) {
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        if (*it)
            values.insert(it.key(), **it);
        else
            values.remove(it.key());
    }
    return values;
}

void Defaults::writeLoop() {
    QMutexLocker lock(&mutex_);
    for (;;) {
        while (!stopping_ && (pending_.isEmpty() || waiting_))
            wake_.wait(&mutex_);
        if (pending_.isEmpty() || waiting_)
            return; // stopping
        // Everything changed so far goes in one write; what changes meanwhile, in the next.
        const Changes changes = std::exchange(pending_, {});
        const quint64 covered = asked_;
        writing_ = true;
        lock.unlock();
        const bool written = writeChanges(changes);
        lock.relock();
        writing_ = false;
        attempted_ = covered;
        ++rounds_;
        failed_ = !written;
        if (!written) {
            // Kept under what changed since, for the next change or flush to try again.
            for (auto it = changes.begin(); it != changes.end(); ++it)
                if (!pending_.contains(it.key()))
                    pending_.insert(it.key(), *it);
            waiting_ = asked_ == covered;
        }
        values_ = applied(stored_, pending_);
        tried_.wakeAll();
    }
}

bool Defaults::writeChanges(const Changes& changes) {
    // The folder exists before its lock can be taken; the settings are the user's own, so
    // nobody else reads them, whatever the umask.
    const QString folder = folderOf(path_);
    if (!QDir().mkpath(folder) || Sys::chmod(QFile::encodeName(folder), 0700) != 0) {
        qWarning().noquote() << "The settings folder" << folder << "could not be made:" << qt_error_string(errno);
        return false;
    }
    const FolderLock lock(folder);
    // Another copy may have written or removed the file since: its values are the ones to
    // change. What can not be read is kept aside at the write, with this copy's values in its place.
    const Seen now = look();
    QVariantMap base;
    bool unreadable = false, reread = false;
    {
        QMutexLocker guard(&mutex_);
        base = stored_;
        unreadable = unreadable_;
        reread = !(now == seen_);
    }
    if (reread) {
        if (!now.exists) {
            base.clear();
            unreadable = false;
        } else if (auto values = PropertyList::dictionaryFromFile(path_)) {
            base = std::move(*values);
            unreadable = false;
        } else {
            qWarning().noquote() << "Settings file" << path_ << "cannot be read; it will be kept aside.";
            unreadable = true;
        }
    }
    const QVariantMap next = applied(base, changes);
    const bool written = (next == base && !unreadable) || write(next, unreadable);
    const Seen after = written ? look() : now; // a stat may wait on the disk: never under the lock
    QMutexLocker guard(&mutex_);
    stored_ = written ? next : base;
    unreadable_ = !written && unreadable;
    seen_ = after;
    return written;
}

bool Defaults::write(const QVariantMap& values, bool unreadable) const {
    const auto xml = PropertyList::toStorable(values);
    if (!xml) {
        qWarning().noquote() << "A setting for" << path_ << "cannot be kept in a property list.";
        return false;
    }
    if (unreadable && QFileInfo::exists(path_)) {
        // Keep what could not be read: it may be a newer format or a repairable file.
        const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
        QString aside = path_ + QStringLiteral(".corrupt-") + stamp;
        for (int n = 2; QFileInfo::exists(aside); ++n)
            aside = path_ + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
        if (!QFile::rename(path_, aside)) {
            qWarning().noquote() << "Settings file" << path_ << "could not be moved aside; nothing was written.";
            return false;
        }
        qWarning().noquote() << "Settings file" << path_ << "was kept as" << aside;
    }
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly) || Sys::fchmod(file.handle(), 0600) != 0 || file.write(*xml) != xml->size() ||
        !file.commit()) {
        qWarning().noquote() << "Settings file" << path_ << "could not be written:" << file.errorString();
        return false;
    }
    return true;
}
