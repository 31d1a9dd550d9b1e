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

#include <atomic>
#include <cmath>
#include <limits>

#include <sys/stat.h>

namespace {

std::atomic<bool> filesWritable{true};
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
    if (live)
        live->forget();
    else if (filesWritable)
        QFile::remove(path);
}

void Defaults::setWritable(bool writable) { filesWritable = writable; }

bool Defaults::writable() { return filesWritable; }

QString Defaults::folder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + standardName;
}

void Defaults::resetForTest() {
    QMutexLocker lock(&registryMutex);
    registry().clear();
}

Defaults::Defaults(QString path) : path_(std::move(path)) { load(); }

void Defaults::load() {
    if (!QFileInfo::exists(path_))
        return;
    if (auto values = PropertyList::dictionaryFromFile(path_)) {
        values_ = std::move(*values);
        return;
    }
    qWarning().noquote() << "Settings file" << path_ << "cannot be read; it will be kept aside.";
    unreadable_ = true;
}

void Defaults::forget() {
    QMutexLocker lock(&mutex_);
    values_.clear();
    unreadable_ = false;
    if (filesWritable)
        QFile::remove(path_);
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
    QMutexLocker lock(&mutex_);
    QVariantMap next = values_;
    next.insert(key, value);
    if (!write(next))
        return false;
    values_ = std::move(next);
    return true;
}

void Defaults::remove(const QString& key) {
    QMutexLocker lock(&mutex_);
    if (!values_.contains(key) && !unreadable_)
        return;
    QVariantMap next = values_;
    next.remove(key);
    if (write(next))
        values_ = std::move(next);
}

bool Defaults::write(const QVariantMap& values) {
    const auto xml = PropertyList::toStorable(values);
    if (!xml) {
        qWarning().noquote() << "A setting for" << path_ << "cannot be kept in a property list.";
        return false;
    }
    if (!filesWritable)
        return true;
    // The settings are the user's own: nobody else reads them, whatever the umask.
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(folder) || Sys::chmod(QFile::encodeName(folder), 0700) != 0)
        return false;
    if (unreadable_ && QFileInfo::exists(path_)) {
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
    unreadable_ = false;
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly) || Sys::fchmod(file.handle(), 0600) != 0 || file.write(*xml) != xml->size()
        || !file.commit()) {
        qWarning().noquote() << "Settings file" << path_ << "could not be written:" << file.errorString();
        return false;
    }
    return true;
}
