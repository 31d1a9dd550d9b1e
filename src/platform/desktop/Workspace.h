#pragma once

#include <QCoro/QCoroTask>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <optional>

// Opens addresses with the desktop, as the workspace does on the platform the application was
// designed for.
namespace Workspace {

// Hands web pages ("http", "https") and mail ("mailto") to the desktop through the shell; an
// App Store page address goes as its web form (webForm). A System Settings page address
// ("x-apple.systempreferences:<pane>") opens the desktop's own settings page for that pane where
// the desktop has one, else nothing. Every other scheme is refused. Gives whether anything was
// handed on.
bool open(const QUrl& url);
// The same, resolving whether the program the address went to took it (the shell's opened()):
// false when it was refused or the desktop's opener failed.
QCoro::Task<bool> opened(QUrl url);

// The App Store's own addresses ("macappstore:", "itms-apps:") as the https page they stand
// for, since no program here opens them; any other address as it is.
QUrl webForm(const QUrl& url);

// What the running application's shell does with what open() hands it: the same addresses go
// to the desktop's own browser and mail program (xdg-open, $BROWSER). Never through the shell,
// which calls this.
bool launch(const QUrl& url);
// What the shell's opened() does with it: runs the desktop's opener (xdg-open) and gives whether
// it took the address, that is exited with 0 or still runs after `wait` (a browser it started
// in its place). Blocks: call it from Blocking::run.
bool launchWaiting(const QUrl& url, std::chrono::milliseconds wait = std::chrono::seconds(5));

// A desktop settings program: the first of `programs` found on the path runs with `arguments`.
struct SettingsPage {
    QStringList programs;
    QStringList arguments;
};

// The settings page of `desktop` (the XDG_CURRENT_DESKTOP list) that stands for the System
// Settings page address `url`, if that desktop has one.
std::optional<SettingsPage> settingsPage(const QUrl& url, const QString& desktop);

} // namespace Workspace
