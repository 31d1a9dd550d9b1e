#pragma once

#include <QCoro/QCoroTask>
#include <QString>

#include <optional>

// Whether the application holds the permissions it depends on, and where the user grants them.
namespace Permissions {

enum class State { granted, denied, unknown };

// The notification authorisation of this application.
enum class AuthorizationStatus { notDetermined, denied, authorized, provisional, ephemeral };

// Permission to change other applications' bundles. This platform has no such preflight, so
// the answer is `unknown`.
State appManagement();

// Authorised while a notification server owns its name on the session bus; denied without one
// or without a bus.
QCoro::Task<AuthorizationStatus> notifications();

// The System Settings address of this application's notification settings.
QString notificationSettingsAddress(const QString& bundleID);

// Opens this application's notification settings, where the desktop has such a page; gives
// whether one was opened.
bool openNotificationSettings();

} // namespace Permissions
