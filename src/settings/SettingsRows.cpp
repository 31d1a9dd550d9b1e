#include "settings/SettingsRows.h"

#include "runtime/OutsideText.h"

#include <QCoreApplication>

namespace SettingsRows {
namespace {

QString tr(const char* text) { return QCoreApplication::translate("SettingsView", text); }

} // namespace

QString signedInAs(const Session& session) {
    if (session.name)
        return OutsideText::isolated(*session.name) + QStringLiteral(" (") + OutsideText::isolated(session.email) +
               QLatin1Char(')');
    return OutsideText::clean(session.email);
}

bool showsEmailRow(const Session& session) { return session.provider == QLatin1String("password"); }

bool emailConfirmed(const Session& session) { return session.emailVerified == true; }

QString resendTitle(int wait) {
    if (wait < 1)
        return tr("Resend Link");
    return tr("Resend in %1s").arg(wait);
}

Label appManagement(Permissions::State state) {
    switch (state) {
    case Permissions::State::granted:
        return {tr("On"), Tone::green};
    case Permissions::State::denied:
        return {tr("Off"), Tone::orange};
    case Permissions::State::unknown:
        return {tr("Unknown"), Tone::orange};
    }
    return {};
}

Label notifications(Permissions::AuthorizationStatus status, NotchMode mode) {
    using Status = Permissions::AuthorizationStatus;
    const Tone warn = mode == NotchMode::never ? Tone::orange : Tone::secondary;
    switch (status) {
    case Status::authorized:
        return {tr("On"), Tone::secondary};
    case Status::notDetermined:
        return {tr("Not asked"), warn};
    case Status::denied:
    case Status::provisional:
    case Status::ephemeral:
        return {tr("Off"), warn};
    }
    return {};
}

QString notificationsFooter(NotchMode mode) {
    return mode == NotchMode::never ? tr("Needed for background update alerts.")
                                    : tr("Not needed while updates show from the notch.");
}

QString cannotOpenSettings() {
    return tr("Quenlark couldn't open these settings: this desktop has no settings page for them.");
}

QString name(const QString& bundleID, const Store::Rows& items) {
    for (const auto& item : items) {
        if (item->app().bundleID == bundleID)
            return item->app().name;
    }
    return bundleID;
}

QList<Ignored> ignored(const QStringList& apps, const QMap<QString, QString>& versions, const Store::Rows& items) {
    QList<Ignored> rows;
    for (const auto& id : apps)
        rows.append({id, OutsideText::clean(name(id, items)), tr("All versions")});
    for (auto it = versions.cbegin(); it != versions.cend(); ++it)
        rows.append(
            {it.key(), OutsideText::clean(name(it.key(), items)), tr("Version ") + OutsideText::clean(it.value())});
    return rows;
}

} // namespace SettingsRows
