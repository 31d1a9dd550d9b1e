#include "views/dashboard/PermissionModel.h"

#include "model/Permissions.h"
#include "platform/desktop/Notifier.h"
#include "runtime/Spawn.h"
#include "store/Store.h"
#include "views/dashboard/DashboardTally.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {
QString tr(const char* text) { return QCoreApplication::translate("Permissions", text); }

QString sandboxed() { return tr("Quenlark never posts notifications while it runs in a sandbox."); }
} // namespace

namespace PermissionModel {

Pill appManagement(const Store& store) {
    const auto state = store.appManagement();
    return {u"App Management"_s,
            state == Permissions::State::granted,
            state == Permissions::State::unknown,
            false,
            false,
            u"Lets Quenlark update and remove apps made by other developers."_s};
}

Pill notifications(const Store& store, NotchMode notchMode) {
    using Status = Permissions::AuthorizationStatus;
    if (!store.postsNotifications())
        return {u"Notifications"_s, false, false, true, true, sandboxed()};
    const auto status = store.notifications();
    const bool muted = notchMode != NotchMode::never;
    return {u"Notifications"_s,
            status == Status::authorized || status == Status::provisional,
            false,
            muted,
            false,
            muted ? u"Not needed while updates show from the notch."_s
                  : u"Lets background checks tell you about updates."_s};
}

QString symbol(const Pill& pill) {
    if (pill.on)
        return u"checkmark.circle.fill"_s;
    return pill.unknown ? u"questionmark.circle"_s : u"exclamationmark.circle.fill"_s;
}

QString stateWord(const Pill& pill) {
    if (pill.on)
        return tr("On");
    return pill.unknown ? tr("Unknown") : tr("Off");
}

Palette::Tint hue(const Pill& pill) {
    if (pill.on)
        return Palette::Tint::green;
    return pill.unknown || pill.muted ? Palette::Tint::secondary : Palette::Tint::orange;
}

double backgroundOpacity(const Pill& pill) { return pill.on ? 0.12 : 0.1; }

QString tooltip(const Pill& pill) { return pill.on || pill.inert ? pill.help : pill.help + u" Click to turn it on."_s; }

QString accessibilityLabel(const Pill& pill) {
    const QString state = pill.on ? tr("on") : pill.unknown ? tr("unknown") : tr("off");
    return QCoreApplication::translate("Permissions", "%1 permission, %2").arg(pill.title, state);
}

NotificationsAction notificationsAction(const Store& store) {
    if (!store.postsNotifications())
        return NotificationsAction::explain;
    return store.notifications() == Permissions::AuthorizationStatus::notDetermined
               ? NotificationsAction::requestAuthorisation
               : NotificationsAction::openSettings;
}

void clickNotifications(Store& store) {
    switch (notificationsAction(store)) {
    case NotificationsAction::explain:
        store.setNotice(sandboxed());
        return;
    case NotificationsAction::requestAuthorisation:
        spawn(askNotifications(store), "notification permission");
        return;
    case NotificationsAction::openSettings:
        if (!Permissions::openNotificationSettings())
            store.setNotice(tr("Quenlark couldn't open this desktop's notification settings: turn notifications on "
                               "in the desktop's own settings, or start a notification service."));
        return;
    }
}

QCoro::Task<void> askNotifications(Store& store) {
    auto asking = store.notifier().requestAuthorization();
    (void)co_await std::move(asking);
    co_await store.refreshPermissions();
}

int blocked(const Store& store) { return DashboardTally::of(store).blocked; }

QString bannerTitle(int blocked) {
    if (blocked == 0)
        return tr("Quenlark can't update or remove apps yet");
    return blocked == 1 ? tr("1 update waiting for permission")
                        : QCoreApplication::translate("Permissions", "%1 updates waiting for permission").arg(blocked);
}

QString bannerMessage() {
    return tr("macOS didn't allow Quenlark to change it. Usually that's App Management: System Settings › Privacy & "
              "Security › App Management › Quenlark. Nothing was changed.");
}

QString openSettingsTitle() { return tr("Open System Settings"); }
bool showsTryAgain(int blocked) { return blocked > 0; }
QString tryAgainTitle() { return tr("Try Again"); }

QCoro::Task<void> tryAgain(Store& store) {
    co_await store.refreshPermissions();
    co_await store.retryBlocked();
}

} // namespace PermissionModel
