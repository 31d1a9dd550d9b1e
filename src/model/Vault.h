#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Small opaque blobs kept for this user, keyed by (service, account): items of the desktop's
// Secret Service, or files in an override folder. Never prompts and never starts a keyring: a
// locked, missing or silent keyring makes reads give nothing and writes do nothing. Nothing here
// reports an error.
//
// Every Secret Service call may wait on another process (bounded at 2 s). The functions may be
// called from any thread; called on the GUI thread, they make the call from a thread of their
// own and wait for it.
namespace Vault {

// The blob of the matching item, or nothing; nothing while a removal of it is still owed.
std::optional<QByteArray> keychainRead(const QString& service, const QString& account);

// Replaces the data of the matching items, or adds one to the default collection when there is
// none; nothing (`data` empty) deletes them. A locked item keeps its data.
void keychainWrite(const QString& service, const QString& account, const std::optional<QByteArray>& data);

// Adds an item to the default collection, replacing one with the same service and account.
void keychainAdd(const QString& service, const QString& account, const QByteArray& data);

// Whether a keyring runs whose default collection takes new items now (exists, unlocked).
bool keychainAvailable();

// Deletes the matching items that are unlocked. One that stays (a locked or unreachable keyring)
// is remembered as removed: reads give nothing until a later removal succeeds.
void keychainDelete(const QString& service, const QString& account);

// Stores to the override folder when one is set (file service + "." + account, mode 0600;
// nothing removes it), else keychainWrite.
void write(const QString& service, const QString& account, const std::optional<QByteArray>& data);

// The override folder; nothing (the default) means the Secret Service is used.
std::optional<QString> folder();
void setFolder(const std::optional<QString>& path);

// Turns off user interaction once per process. The Secret Service calls here never ask to
// unlock and never run a prompt, so this only marks the switch as done.
void quiet();

} // namespace Vault
