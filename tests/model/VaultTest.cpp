#include "model/Vault.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <libsecret/secret.h>

#include <cstdlib>
#include <future>

#include <sys/stat.h>

namespace {

template <typename Fn>
auto offGuiThread(Fn fn) {
    return std::async(std::launch::async, std::move(fn)).get();
}

std::optional<QByteArray> read(const QString& service, const QString& account) {
    return offGuiThread([&] { return Vault::keychainRead(service, account); });
}

void write(const QString& service, const QString& account, const std::optional<QByteArray>& data) {
    offGuiThread([&] { Vault::write(service, account, data); });
}

const char* keyringPassword() { return std::getenv("QUENLARK_KEYRING_PASSWORD"); }

bool keyringRunning() {
    auto bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()->isServiceRegistered("org.freedesktop.secrets");
}

// Without a running keyring (the ordinary test run) nothing is stored, nothing is read, the
// activatable Secret Service is never started, and no call waits.
TEST(Vault, WithoutARunningKeyringReadsNothingAndStartsNone) {
    if (keyringPassword())
        GTEST_SKIP() << "runs outside the keyring session";
    QElapsedTimer timer;
    timer.start();
    write("com.quenlark.Quenlark.test", "session", QByteArray("blob"));
    EXPECT_EQ(read("com.quenlark.Quenlark.test", "session"), std::nullopt);
    offGuiThread([] { Vault::keychainDelete("com.quenlark.Quenlark.test", "session"); });
    // The GUI thread may call them as well.
    Vault::keychainWrite("com.quenlark.Quenlark.test", "session", QByteArray("blob"));
    Vault::keychainAdd("com.quenlark.Quenlark.test", "session", QByteArray("blob"));
    EXPECT_EQ(Vault::keychainRead("com.quenlark.Quenlark.test", "session"), std::nullopt);
    Vault::keychainDelete("com.quenlark.Quenlark.test", "session");
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_FALSE(keyringRunning());
}

TEST(Vault, FileOverrideWritesPrivateFilesAndRemovesThem) {
    QTemporaryDir root;
    const auto dir = root.filePath("nested/store");
    Vault::setFolder(dir);
    const auto path = dir + "/com.quenlark.Quenlark.account.session";

    write("com.quenlark.Quenlark.account", "session", QByteArray("first"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("first"));
    file.close();

    // An earlier file readable by others is replaced by a private one.
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0644), 0);
    const QByteArray binary("\0\xff\n\r", 4);
    write("com.quenlark.Quenlark.account", "session", binary);
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), binary);
    file.close();
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no temporary file left";

    write("com.quenlark.Quenlark.account", "session", std::nullopt);
    EXPECT_FALSE(QFileInfo::exists(path));
    write("com.quenlark.Quenlark.account", "session", std::nullopt);
    Vault::setFolder(std::nullopt);
}

// The tests below run against gnome-keyring through tests/support/with-keyring.
class VaultKeyring : public ::testing::Test {
protected:
    void SetUp() override {
        if (!keyringPassword())
            GTEST_SKIP() << "needs tests/support/with-keyring";
        ASSERT_TRUE(keyringRunning());
        GError* error = nullptr;
        service_ = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error);
        ASSERT_NE(service_, nullptr) << (error ? error->message : "");
    }

    void TearDown() override {
        if (service_)
            g_object_unref(service_);
    }

    // Items with these attributes, whatever their state.
    int count(const QString& service, const QString& account) {
        GHashTable* query = g_hash_table_new(g_str_hash, g_str_equal);
        const auto s = service.toUtf8();
        const auto a = account.toUtf8();
        g_hash_table_insert(query, const_cast<char*>("service"), const_cast<char*>(s.constData()));
        g_hash_table_insert(query, const_cast<char*>("account"), const_cast<char*>(a.constData()));
        GList* items = secret_service_search_sync(service_, nullptr, query, SECRET_SEARCH_ALL, nullptr, nullptr);
        g_hash_table_unref(query);
        const int n = int(g_list_length(items));
        g_list_free_full(items, g_object_unref);
        return n;
    }

    SecretCollection* defaultCollection() {
        return secret_collection_for_alias_sync(service_, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr,
                                                nullptr);
    }

    // Unlocks with the password, as the login session does (no prompt).
    void unlock(SecretCollection* collection) {
        GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        GVariant* opened = g_dbus_connection_call_sync(
            bus, "org.freedesktop.secrets", "/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "OpenSession",
            g_variant_new("(sv)", "plain", g_variant_new_string("")), G_VARIANT_TYPE("(vo)"), G_DBUS_CALL_FLAGS_NONE,
            5000, nullptr, nullptr);
        ASSERT_NE(opened, nullptr);
        const char* session = nullptr;
        GVariant* output = nullptr;
        g_variant_get(opened, "(v&o)", &output, &session);
        const char* password = keyringPassword();
        GVariant* secret =
            g_variant_new("(o@ay@ays)", session, g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, "", 0, 1),
                          g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, password, strlen(password), 1), "text/plain");
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(
            bus, "org.freedesktop.secrets", "/org/freedesktop/secrets",
            "org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface", "UnlockWithMasterPassword",
            g_variant_new("(o@(oayays))", g_dbus_proxy_get_object_path(G_DBUS_PROXY(collection)), secret), nullptr,
            G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
        EXPECT_NE(reply, nullptr) << (error ? error->message : "");
        if (reply)
            g_variant_unref(reply);
        if (error)
            g_error_free(error);
        g_variant_unref(output);
        g_variant_unref(opened);
        g_object_unref(bus);
    }

    SecretService* service_ = nullptr;
};

TEST_F(VaultKeyring, WritesReplaceOneItemAndNothingDeletesIt) {
    const auto service = "com.quenlark.Quenlark.account";
    const auto account = "session-test";
    const QByteArray first("{\"token\":\"a\"}\0tail", 18);

    write(service, account, first);
    EXPECT_EQ(read(service, account), first);
    EXPECT_EQ(count(service, account), 1);

    write(service, account, QByteArray("second"));
    EXPECT_EQ(read(service, account), QByteArray("second"));
    EXPECT_EQ(count(service, account), 1);
    EXPECT_EQ(read(service, "session"), std::nullopt) << "the account is part of the key";

    write(service, account, std::nullopt);
    EXPECT_EQ(read(service, account), std::nullopt);
    EXPECT_EQ(count(service, account), 0);
    write(service, account, std::nullopt); // nothing there: nothing happens
    EXPECT_EQ(count(service, account), 0);

    // Add replaces rather than duplicates, as the sign-in's delete-then-add relies on.
    offGuiThread([&] { Vault::keychainAdd(service, account, QByteArray("added")); });
    offGuiThread([&] { Vault::keychainAdd(service, account, QByteArray("again")); });
    EXPECT_EQ(count(service, account), 1);
    EXPECT_EQ(read(service, account), QByteArray("again"));
    offGuiThread([&] { Vault::keychainDelete(service, account); });
    EXPECT_EQ(count(service, account), 0);

    // From the GUI thread, as from any other.
    Vault::keychainWrite(service, account, QByteArray("from the GUI thread"));
    EXPECT_EQ(Vault::keychainRead(service, account), QByteArray("from the GUI thread"));
    Vault::keychainDelete(service, account);
    EXPECT_EQ(count(service, account), 0);
}

TEST_F(VaultKeyring, ALockedKeyringIsLeftAloneWithoutPrompting) {
    const auto service = "com.quenlark.Quenlark.account";
    write(service, "kept", QByteArray("old"));

    SecretCollection* collection = defaultCollection();
    ASSERT_NE(collection, nullptr);
    GList* objects = g_list_append(nullptr, collection);
    ASSERT_EQ(secret_service_lock_sync(service_, objects, nullptr, nullptr, nullptr), 1);
    g_list_free(objects);

    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(read(service, "kept"), std::nullopt);
    write(service, "kept", QByteArray("new"));  // the update fails quietly
    write(service, "fresh", QByteArray("new")); // nothing is added
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(count(service, "fresh"), 0);
    EXPECT_EQ(count(service, "kept"), 1);

    unlock(collection);
    EXPECT_EQ(read(service, "kept"), QByteArray("old"));

    // A removal the locked keyring refuses is owed, not forgotten: once the keyring opens (the
    // next launch, say) the old secret reads as gone and is deleted.
    objects = g_list_append(nullptr, collection);
    ASSERT_EQ(secret_service_lock_sync(service_, objects, nullptr, nullptr, nullptr), 1);
    g_list_free(objects);
    write(service, "kept", std::nullopt);
    EXPECT_EQ(count(service, "kept"), 1);
    unlock(collection);
    EXPECT_EQ(read(service, "kept"), std::nullopt);
    EXPECT_EQ(count(service, "kept"), 0);
    write(service, "kept", QByteArray("signed in again"));
    EXPECT_EQ(read(service, "kept"), QByteArray("signed in again"));
    write(service, "kept", std::nullopt);
    g_object_unref(collection);
}

} // namespace
