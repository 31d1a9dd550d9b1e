#pragma once

#include "model/NotchMode.h"
#include "platform/gui/Palette.h"

#include <QCoro/QCoroTask>
#include <QString>

class Store;

// The two permission pills and the banner of blocked updates.
namespace PermissionModel {

struct Pill {
    QString title;
    bool on = false;
    bool unknown = false; // the state cannot be read
    bool muted = false;   // the permission does not matter with the current settings
    bool inert = false;   // nothing the user does turns it on here
    QString help;         // the tooltip before its suffix
    bool operator==(const Pill&) const = default;
};

// App Management: on when granted; on this platform it reads `unknown`.
Pill appManagement(const Store& store);
// Notifications: on when authorised or provisional; muted while the notch shows updates; muted
// and inert where none is ever posted (a sandbox).
Pill notifications(const Store& store, NotchMode notchMode);

QString symbol(const Pill& pill);    // checkmark, question mark or exclamation mark
QString stateWord(const Pill& pill); // "On", "Unknown" or "Off"
Palette::Tint hue(const Pill& pill); // green, secondary or orange
double backgroundOpacity(const Pill& pill);
QString tooltip(const Pill& pill); // shown verbatim
QString accessibilityLabel(const Pill& pill);

// What a click on the Notifications pill does: say why nothing is posted, in a sandbox; ask
// once, while undetermined; afterwards the desktop's notification settings.
enum class NotificationsAction { explain, requestAuthorisation, openSettings };
NotificationsAction notificationsAction(const Store& store);
// The click's action: the explanation or, when this desktop has no settings page to open, what
// to do instead, go to the store's notice.
void clickNotifications(Store& store);
// Asks the notification service, then reads the permissions again whatever it answered.
QCoro::Task<void> askNotifications(Store& store);

// Rows of all of `Store.items` (hidden ones too) blocked for want of permission.
int blocked(const Store& store);
QString bannerTitle(int blocked);
QString bannerMessage();
QString openSettingsTitle();
// "Try Again" is offered only while rows are blocked.
bool showsTryAgain(int blocked);
QString tryAgainTitle();
// Reads the permissions again, then retries the blocked rows.
QCoro::Task<void> tryAgain(Store& store);

} // namespace PermissionModel
