#pragma once

#include "model/NotchMode.h"
#include "model/Permissions.h"
#include "store/Session.h"
#include "store/Store.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// What the settings window's account, apps and permissions tabs show.
namespace SettingsRows {

// "Signed in as": the name with the address in parentheses, else the address alone.
QString signedInAs(const Session& session);
// Only an e-mail-and-password account has the "Email" row.
bool showsEmailRow(const Session& session);
// An unknown confirmation counts as not confirmed.
bool emailConfirmed(const Session& session);
// The resend button for `wait` whole seconds still to wait.
QString resendTitle(int wait);

enum class Tone { green, orange, secondary };
struct Label {
    QString text;
    Tone tone = Tone::secondary;
    bool operator==(const Label&) const = default;
};
Label appManagement(Permissions::State state);
// Orange only where notifications carry the updates: while the notch mode is never.
Label notifications(Permissions::AuthorizationStatus status, NotchMode mode);
QString notificationsFooter(NotchMode mode);
// Said when the desktop has no settings page that an "Open…" button could open.
QString cannotOpenSettings();

struct Ignored {
    QString bundleID;
    QString title;
    QString detail;
    bool operator==(const Ignored&) const = default;
};
// The name of the first scanned application with exactly this bundle id, else the id.
QString name(const QString& bundleID, const Store::Rows& items);
// Ignored applications in stored order, then skipped versions by bundle id (code-unit order).
QList<Ignored> ignored(const QStringList& apps, const QMap<QString, QString>& versions, const Store::Rows& items);

} // namespace SettingsRows
