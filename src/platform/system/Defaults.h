#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <QWaitCondition>

#include <memory>
#include <optional>
#include <thread>

// Typed settings by key, one XML property list per domain in
// $XDG_CONFIG_HOME/com.quenlark.Quenlark/<domain>.plist. An assignment takes effect at once and
// is written by the domain's writer thread, which coalesces the changes that come while it
// writes, so no caller waits on the disk; `flush` waits for the file. Registered defaults live
// in memory and answer only while a key is absent. A file that cannot be read reads as empty and
// is renamed aside before the next write, never overwritten. One object per domain is shared by
// all its users, so no write loses another's. Copies of the application running side by side
// write one at a time under the folder's lock, each change applied to what the file holds then,
// so none loses another's either.
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
    // Drops the shared objects, their changes written, so the next use reads the files again
    // (tests only).
    static void resetForTest();
    // Flushes every shared domain (at quit); false when a write failed.
    static bool flushAll();

    explicit Defaults(QString path);
    // Writes what is still unwritten first.
    ~Defaults();
    Defaults(const Defaults&) = delete;
    Defaults& operator=(const Defaults&) = delete;

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

    // Stores the value and has it written; false, with nothing stored, when a property list can
    // not hold it. A write that fails later is logged and kept, to be tried again with the next
    // change and at `flush`, which reports it.
    bool set(const QString& key, const QVariant& value);
    void remove(const QString& key);

    // Waits until every change made so far has been tried; false when the file could not be
    // written (the changes stay in memory, and pending).
    bool flush();

    const QString& path() const { return path_; }

private:
    // What the file was when this process last read or wrote it.
    struct Seen {
        bool exists = false;
        quint64 device = 0, inode = 0;
        qint64 size = 0, modified = 0, changed = 0; // times in nanoseconds

        friend bool operator==(const Seen&, const Seen&) = default;
    };

    // A key's new value, or its removal.
    using Changes = QMap<QString, std::optional<QVariant>>;

    void load();
    void forget();
    // Records a change under the lock and wakes the writer.
    void change(const QString& key, std::optional<QVariant> value);
    void writeLoop();
    // Applies `changes` to the values as the file holds them now and writes them, unless that
    // changes nothing. Runs on the writer, under the folder's lock.
    bool writeChanges(const Changes& changes);
    Seen look() const;
    // Temporary files an interrupted write of this domain left behind.
    void removeStaleTemporaries() const;
    // Writes `values`, moving an unreadable file aside first.
    bool write(const QVariantMap& values, bool unreadable) const;
    QVariant lookup(const QString& key) const;
    static QVariantMap applied(QVariantMap values, const Changes& changes);

    const QString path_;
    mutable QMutex mutex_; // guards every member below
    QVariantMap values_;   // what the file holds with the pending changes applied: what reads see
    QVariantMap stored_;   // what the file held when this process last read or wrote it
    QVariantMap registered_;
    bool unreadable_ = false; // the file on disk is kept until it has been moved aside
    Seen seen_;

    Changes pending_;
    quint64 asked_ = 0;     // changes made
    quint64 attempted_ = 0; // changes the last finished write covered
    quint64 rounds_ = 0;    // writes finished
    bool writing_ = false;
    bool failed_ = false;  // the last write failed
    bool waiting_ = false; // after a failure, until a new change or a flush asks again
    bool stopping_ = false;
    QWaitCondition wake_;  // the writer's
    QWaitCondition tried_; // flushes'
    std::thread writer_;   // started at the first change
};
