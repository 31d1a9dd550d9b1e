#include "platform/desktop/Workspace.h"

#include "platform/system/Subprocess.h"
#include "runtime/Log.h"
#include "runtime/Shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace Workspace {
namespace {

const QString settingsScheme = QStringLiteral("x-apple.systempreferences");

} // namespace

std::optional<SettingsPage> settingsPage(const QUrl& url, const QString& desktop) {
    if (url.scheme() != settingsScheme)
        return std::nullopt;
    // Only the Notifications pane has a counterpart on the desktops we know.
    if (url.path() != QLatin1String("com.apple.Notifications-Settings.extension"))
        return std::nullopt;
    const auto names = desktop.split(u':', Qt::SkipEmptyParts);
    for (const auto& name : names) {
        if (name.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String("Unity"), Qt::CaseInsensitive) == 0)
            return SettingsPage{{QStringLiteral("gnome-control-center")}, {QStringLiteral("notifications")}};
        if (name.compare(QLatin1String("KDE"), Qt::CaseInsensitive) == 0)
            return SettingsPage{{QStringLiteral("systemsettings"), QStringLiteral("systemsettings5")},
                                {QStringLiteral("kcm_notifications")}};
        if (name.compare(QLatin1String("XFCE"), Qt::CaseInsensitive) == 0)
            return SettingsPage{{QStringLiteral("xfce4-notifyd-config")}, {}};
    }
    return std::nullopt;
}

namespace {

bool handedOnToTheWeb(const QUrl& url) {
    // Addresses come from feeds and servers too: a local file (a launcher entry, a script) or an
    // unknown scheme could run something, so only the web and mail are handed on.
    const auto scheme = url.scheme().toLower();
    if (!url.isValid())
        return false;
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return !url.host().isEmpty();
    return scheme == QLatin1String("mailto");
}

bool openSettings(const QUrl& url) {
    const auto page = settingsPage(url, qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    if (!page)
        return false;
    for (const auto& program : page->programs) {
        const auto path = QStandardPaths::findExecutable(program);
        if (!path.isEmpty())
            return QProcess::startDetached(path, page->arguments);
    }
    return false;
}

} // namespace

QUrl webForm(const QUrl& url) {
    const auto scheme = url.scheme().toLower();
    if (scheme != QLatin1String("macappstore") && scheme != QLatin1String("itms-apps"))
        return url;
    QUrl web(url);
    web.setScheme(QStringLiteral("https"));
    return web;
}

bool open(const QUrl& url) {
    if (url.scheme().toLower() == settingsScheme)
        return openSettings(url);
    const QUrl web = webForm(url);
    return handedOnToTheWeb(web) && Shell::current().openUrl(web);
}

QCoro::Task<bool> opened(QUrl url) {
    if (url.scheme().toLower() == settingsScheme)
        co_return openSettings(url);
    const QUrl web = webForm(url);
    if (!handedOnToTheWeb(web))
        co_return false;
    auto asking = Shell::current().opened(web);
    co_return co_await std::move(asking);
}

bool launchWaiting(const QUrl& url, std::chrono::milliseconds wait) {
    const QUrl web = webForm(url);
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!handedOnToTheWeb(web) || opener.isEmpty())
        return false;
    try {
        const auto status = Subprocess::start(opener, {QString::fromUtf8(web.toEncoded())}, wait);
        return !status || *status == 0;
    } catch (const std::exception&) {
        Log::swallowed(lcPlatform(), "Starting the desktop's opener", std::current_exception());
        return false;
    }
}

bool launch(const QUrl& url) {
    if (url.scheme().toLower() == settingsScheme)
        return openSettings(url);
    const QUrl web = webForm(url);
    return handedOnToTheWeb(web) && QDesktopServices::openUrl(web);
}

} // namespace Workspace
