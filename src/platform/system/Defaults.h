#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

// Typed settings by key, one XML property list per domain in
// $XDG_CONFIG_HOME/com.quenlark.Quenlark/<domain>.plist. Every assignment rewrites the file
// atomically. Registered defaults live in memory and answer only while a key is absent. A file
// that cannot be read reads as empty and is renamed aside before the next write, never
// overwritten. One object per domain is shared by all its users, so no write loses another's.
// Copies of the application running side by side write one at a time under the folder's lock,
// each change applied to what the file holds then, so none loses another's either.
class Defaults {
public:
    static inline const QString standardName = QStringLiteral("com.quenlark.Quenlark");

    // The application's own domain.
    static std::shared_ptr<Defaults> standard();
    // A named suite, kept in its own file.
    static std::shared_ptr<Defaults> suite(const QString& name);
    // Deletes a domain's file and forgets its values.
    static void removePersistentDomain(const QString& name);
    // Where the domain files live.
    static QString folder();
    // Drops the shared objects so the next use reads the files again (tests only).
    static void resetForTest();

    explicit Defaults(QString path);

    void registerDefaults(const QVariantMap& values);

    // The stored value, else the registered one, else an invalid QVariant.
    QVariant object(const QString& key) const;
    // A boolean or a number; false otherwise.
    bool boolean(const QString& key) const;
    // A number or a boolean (reals truncated); 0 otherwise.
    qint64 integer(const QString& key) const;
    std::optional<QString> string(const QString& key) const;
    // Nothing unless the value is an array of strings only.
    std::optional<QStringList> stringArray(const QString& key) const;
    std::optional<QVariantMap> dictionary(const QString& key) const;
    std::optional<QByteArray> data(const QString& key) const;
    std::optional<QDateTime> date(const QString& key) const;

    // Stores and writes through; false when the value cannot be kept in a property list or the
    // file could not be written (the value is then not stored).
    bool set(const QString& key, const QVariant& value);
    void remove(const QString& key);

    const QString& path() const { return path_; }

private:
    // What the file was when this process last read or wrote it.
    struct Seen {
        bool exists = false;
        quint64 device = 0, inode = 0;
        qint64 size = 0, modified = 0, changed = 0; // times in nanoseconds

        friend bool operator==(const Seen&, const Seen&) = default;
    };

    void load();
    void forget();
    // Applies `change` to the values as the file holds them now and writes them, unless it
    // says nothing changed.
    bool update(const std::function<bool(QVariantMap&)>& change);
    // Reads the file again when another copy has written it since.
    void refresh();
    Seen look() const;
    // Temporary files an interrupted write of this domain left behind.
    void removeStaleTemporaries() const;
    bool write(const QVariantMap& values);
    QVariant lookup(const QString& key) const;

    const QString path_;
    mutable QMutex mutex_;
    QVariantMap values_;
    QVariantMap registered_;
    bool unreadable_ = false; // the file on disk is kept until it has been moved aside
    Seen seen_;
};
