#include "model/Vault.h"

#include "platform/files/SmallFile.h"
#include "runtime/Log.h"
#include "runtime/MainThread.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <libsecret/secret.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>

namespace Vault {
namespace {

constexpr auto callLimit = std::chrono::seconds(2);
constexpr const char* serviceName = "org.freedesktop.secrets";

// Items are generic passwords of our own schema, identified by service and account alone.
const SecretSchema* schema() {
    static const SecretSchema value = [] {
        SecretSchema s{};
        s.name = "com.quenlark.Quenlark.GenericPassword";
        s.flags = SECRET_SCHEMA_NONE;
        s.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &value;
}

// Cancels every call made under it once the time limit has passed.
class Deadline {
public:
    Deadline()
        : cancellable_(g_cancellable_new()), timer_([this] {
              std::unique_lock lock(mutex_);
              if (!wake_.wait_for(lock, callLimit, [this] { return done_; }))
                  g_cancellable_cancel(cancellable_);
          }) {}

    ~Deadline() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        timer_.join();
        g_object_unref(cancellable_);
    }

    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

    GCancellable* get() const { return cancellable_; }

private:
    GCancellable* cancellable_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread timer_; // last: starts once everything above exists
};

template <typename T>
struct Unref {
    void operator()(T* object) const {
        if (object)
            g_object_unref(object);
    }
};
template <typename T>
using Ref = std::unique_ptr<T, Unref<T>>;

// Owns a list of items found by a search.
struct Items {
    GList* list = nullptr;

    explicit Items(GList* found) : list(found) {}
    Items(Items&& other) noexcept : list(std::exchange(other.list, nullptr)) {}
    Items(const Items&) = delete;
    Items& operator=(const Items&) = delete;
    Items& operator=(Items&&) = delete;
    ~Items() { g_list_free_full(list, g_object_unref); }
};

// Every keyring failure leaves the secret where it was (or absent); it is only logged.
void ignore(GError*& error, const char* what) {
    if (!error)
        return;
    qCDebug(lcModel).noquote() << what << "failed and is ignored:" << Log::redacted(QString::fromUtf8(error->message));
    g_error_free(error);
    error = nullptr;
}

// Whether GLib can find the session bus without starting one (it would otherwise try to
// autolaunch a bus through X11).
bool sessionBusKnown() {
    if (const char* address = g_getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return true;
    const char* runtime = g_getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime && QFileInfo::exists(QString::fromLocal8Bit(runtime) + QLatin1String("/bus"));
}

// The Secret Service when a keyring is already running. The service name is activatable, so
// any call to it would start one: ask the bus who owns it first.
Ref<SecretService> runningService(GCancellable* cancellable) {
    if (!sessionBusKnown())
        return nullptr;
    GError* error = nullptr;
    Ref<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, cancellable, &error));
    ignore(error, "Reaching the session bus");
    if (!bus)
        return nullptr;
    // The shared connection would end the whole process if the bus went away.
    g_dbus_connection_set_exit_on_close(bus.get(), FALSE);
    GVariant* reply = g_dbus_connection_call_sync(
        bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", serviceName), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NO_AUTO_START,
        int(std::chrono::milliseconds(callLimit).count()), cancellable, &error);
    ignore(error, "Asking who runs the Secret Service");
    if (!reply)
        return nullptr;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    if (!owned)
        return nullptr;
    Ref<SecretService> service(secret_service_get_sync(SECRET_SERVICE_NONE, cancellable, &error));
    ignore(error, "Opening the Secret Service");
    return service;
}

GHashTable* attributes(const QString& service, const QString& account) {
    GHashTable* table = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    g_hash_table_insert(table, g_strdup("service"), g_strdup(service.toUtf8().constData()));
    g_hash_table_insert(table, g_strdup("account"), g_strdup(account.toUtf8().constData()));
    return table;
}

// The matching items, locked ones included (never unlocked here).
Items search(SecretService* secrets, const QString& service, const QString& account, SecretSearchFlags flags,
             GCancellable* cancellable) {
    GHashTable* query = attributes(service, account);
    GError* error = nullptr;
    Items items{secret_service_search_sync(secrets, schema(), query, SecretSearchFlags(SECRET_SEARCH_ALL | flags),
                                           cancellable, &error)};
    ignore(error, "Searching the keyring");
    g_hash_table_unref(query);
    return items;
}

SecretValue* valueOf(const QByteArray& data) {
    return secret_value_new(data.constData(), data.size(), "application/octet-stream");
}

Ref<SecretCollection> defaultCollection(SecretService* secrets, GCancellable* cancellable) {
    GError* error = nullptr;
    // Never creates the default collection: that would prompt for a password.
    Ref<SecretCollection> collection(secret_collection_for_alias_sync(secrets, SECRET_COLLECTION_DEFAULT,
                                                                      SECRET_COLLECTION_NONE, cancellable, &error));
    ignore(error, "Opening the default keyring");
    return collection;
}

void add(SecretService* secrets, const QString& service, const QString& account, const QByteArray& data,
         GCancellable* cancellable) {
    const Ref<SecretCollection> collection = defaultCollection(secrets, cancellable);
    if (!collection || secret_collection_get_locked(collection.get()))
        return;
    GError* error = nullptr;
    GHashTable* fields = attributes(service, account);
    SecretValue* value = valueOf(data);
    Ref<SecretItem> item(secret_item_create_sync(collection.get(), schema(), fields, service.toUtf8().constData(),
                                                 value, SECRET_ITEM_CREATE_REPLACE, cancellable, &error));
    ignore(error, "Storing a keyring item");
    secret_value_unref(value);
    g_hash_table_unref(fields);
}

struct State {
    QMutex lock;
    std::optional<QString> folder;
};

State& state() {
    static State s;
    return s;
}

// Replaces the file in one step with a new one that only this user can read.
void writePrivateFile(const QString& path, const QByteArray& data) {
    if (!SmallFile::replace(path, data, 0600))
        qCDebug(lcModel).noquote() << "Writing" << path << "failed and is ignored:" << qt_error_string(errno);
}

// A removal the keyring could not do (locked, or not running) is remembered in a file of the
// user's state folder: until a later removal succeeds, reads give nothing, so a forgotten secret
// never comes back when the keyring opens again.
QString removalMark(const QString& service, const QString& account) {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QLatin1String("/.local/state");
    return state + QLatin1String("/com.quenlark.Quenlark/") + service + QLatin1Char('.') + account +
           QLatin1String(".removed");
}

void markRemoval(const QString& service, const QString& account, bool done) {
    const QString mark = removalMark(service, account);
    if (done) {
        QFile::remove(mark);
        return;
    }
    QDir().mkpath(QFileInfo(mark).absolutePath());
    if (!SmallFile::replace(mark, QByteArray(), 0600))
        qCDebug(lcModel).noquote() << "Recording a removal failed and is ignored:" << qt_error_string(errno);
}

// Deletes the unlocked matching items; true when none is left.
bool deleteAll(const QString& service, const QString& account) {
    Deadline deadline;
    const auto secrets = runningService(deadline.get());
    if (!secrets)
        return false;
    bool left = false;
    const auto items = search(secrets.get(), service, account, SECRET_SEARCH_NONE, deadline.get());
    for (GList* node = items.list; node; node = node->next) {
        auto* item = static_cast<SecretItem*>(node->data);
        if (secret_item_get_locked(item)) {
            left = true;
            continue;
        }
        GError* error = nullptr;
        if (!secret_item_delete_sync(item, deadline.get(), &error))
            left = true;
        ignore(error, "Deleting a keyring item");
    }
    return !left;
}

// Runs `fn` on a thread of its own when called on the GUI thread, whose event loop shares the
// GLib main context the Secret Service's synchronous calls iterate; elsewhere runs it in place.
// Either way the caller waits for it, as long as the call's own bound at most.
template <typename F>
auto offGuiThread(F fn) -> decltype(fn()) {
    if (!isMainThread())
        return fn();
    if constexpr (std::is_void_v<decltype(fn())>) {
        std::thread worker(fn);
        worker.join();
    } else {
        decltype(fn()) result{};
        std::thread worker([&] { result = fn(); });
        worker.join();
        return result;
    }
}

} // namespace

std::optional<QByteArray> keychainRead(const QString& service, const QString& account) {
    if (isMainThread())
        return offGuiThread([&] { return keychainRead(service, account); });
    quiet();
    if (QFileInfo::exists(removalMark(service, account))) {
        keychainDelete(service, account); // the keyring may take the removal now
        return std::nullopt;
    }
    Deadline deadline;
    const auto secrets = runningService(deadline.get());
    if (!secrets)
        return std::nullopt;
    // Secrets of locked items are not loaded: they stay out of reach rather than prompting.
    const auto items = search(secrets.get(), service, account, SECRET_SEARCH_LOAD_SECRETS, deadline.get());
    for (GList* node = items.list; node; node = node->next) {
        SecretValue* value = secret_item_get_secret(static_cast<SecretItem*>(node->data));
        if (!value)
            continue;
        gsize size = 0;
        const gchar* bytes = secret_value_get(value, &size);
        QByteArray data(bytes, qsizetype(size));
        secret_value_unref(value);
        return data;
    }
    return std::nullopt;
}

void keychainWrite(const QString& service, const QString& account, const std::optional<QByteArray>& data) {
    if (!data) {
        keychainDelete(service, account);
        return;
    }
    if (isMainThread())
        return offGuiThread([&] { keychainWrite(service, account, data); });
    quiet();
    // While an old secret may linger, a new one would be read together with it.
    if (QFileInfo::exists(removalMark(service, account))) {
        if (!deleteAll(service, account))
            return;
        markRemoval(service, account, true);
    }
    Deadline deadline;
    const auto secrets = runningService(deadline.get());
    if (!secrets)
        return;
    const auto items = search(secrets.get(), service, account, SECRET_SEARCH_NONE, deadline.get());
    if (!items.list) {
        add(secrets.get(), service, account, *data, deadline.get());
        return;
    }
    // An item that exists but is locked keeps its old data: the update fails without a prompt.
    for (GList* node = items.list; node; node = node->next) {
        auto* item = static_cast<SecretItem*>(node->data);
        if (secret_item_get_locked(item))
            continue;
        GError* error = nullptr;
        SecretValue* value = valueOf(*data);
        secret_item_set_secret_sync(item, value, deadline.get(), &error);
        secret_value_unref(value);
        ignore(error, "Updating a keyring item");
    }
}

void keychainAdd(const QString& service, const QString& account, const QByteArray& data) {
    if (isMainThread())
        return offGuiThread([&] { keychainAdd(service, account, data); });
    quiet();
    Deadline deadline;
    if (const auto secrets = runningService(deadline.get()))
        add(secrets.get(), service, account, data, deadline.get());
}

bool keychainAvailable() {
    if (isMainThread())
        return offGuiThread([] { return keychainAvailable(); });
    Deadline deadline;
    const auto secrets = runningService(deadline.get());
    if (!secrets)
        return false;
    const auto collection = defaultCollection(secrets.get(), deadline.get());
    return collection && !secret_collection_get_locked(collection.get());
}

void keychainDelete(const QString& service, const QString& account) {
    if (isMainThread())
        return offGuiThread([&] { keychainDelete(service, account); });
    quiet();
    markRemoval(service, account, deleteAll(service, account));
}

void write(const QString& service, const QString& account, const std::optional<QByteArray>& data) {
    const auto dir = folder();
    if (!dir) {
        keychainWrite(service, account, data);
        return;
    }
    QDir().mkpath(*dir);
    const auto path = QDir(*dir).filePath(service + QLatin1Char('.') + account);
    if (data)
        writePrivateFile(path, *data);
    else
        QFile::remove(path);
}

std::optional<QString> folder() {
    auto& s = state();
    QMutexLocker locker(&s.lock);
    return s.folder;
}

void setFolder(const std::optional<QString>& path) {
    auto& s = state();
    QMutexLocker locker(&s.lock);
    s.folder = path;
}

void quiet() {}

} // namespace Vault
