#include "settings/SettingsModel.h"

#include "account/SiteLinks.h"
#include "model/Permissions.h"
#include "model/Prefs.h"
#include "platform/desktop/Workspace.h"
#include "runtime/Clock.h"
#include "runtime/Describe.h"
#include "runtime/Log.h"
#include "runtime/MainThread.h"
#include "runtime/Spawn.h"
#include "settings/AccountDeletion.h"
#include "settings/LoginChoice.h"
#include "settings/SettingsChoices.h"
#include "settings/SettingsRows.h"
#include "store/OnboardingHooks.h"
#include "store/Store.h"

#include <QPointer>
#include <QUrl>

#include <chrono>
#include <exception>

namespace {

// Writes a setting only when it changes: choosing what is already chosen does nothing.
template <typename Getter, typename Setter, typename Value>
bool write(Prefs& prefs, Getter get, Setter set, const Value& value) {
    if ((prefs.*get)() == value)
        return false;
    (prefs.*set)(value);
    return true;
}

} // namespace

SettingsModel::SettingsModel(Services services, QObject* parent)
    : QObject(parent), s_(services), openAtLogin_(services.login.enabled()), now_(services.clock.now()) {}

SettingsModel::~SettingsModel() {
    if (ticking_)
        ticking_->cancel();
}

const QString& SettingsModel::tab() const { return s_.store.settingsTab(); }

void SettingsModel::setTab(const QString& tag) { s_.store.setSettingsTab(tag); }

QSize SettingsModel::size() const { return SettingsChoices::size(tab()); }

void SettingsModel::shown(bool onScreen) {
    if (ticking_) {
        ticking_->cancel();
        ticking_.reset();
    }
    if (!onScreen)
        return;
    // The window is made once and shown again; each showing starts from what the desktop says,
    // as a window made afresh would. Reading it is no change of the switch: nothing is written.
    openAtLogin_.set(s_.login.enabled());
    now_.set(s_.clock.now());
    ticking_ = CancelToken();
    spawn(tick(*ticking_), "settings countdown");
    spawn(s_.store.refreshPermissions(), "settings permissions");
}

QCoro::Task<void> SettingsModel::tick(CancelToken token) {
    QPointer<SettingsModel> self(this);
    Clock* clock = &s_.clock;
    for (;;) {
        const bool slept = co_await clock->sleep(std::chrono::seconds(1), token);
        if (!slept || !self)
            co_return;
        now_.set(clock->now());
    }
}

void SettingsModel::setOpenAtLogin(bool on) {
    if (openAtLogin_.set(on))
        s_.login.setLogin(on);
}

void SettingsModel::setTheme(Theme theme) { write(s_.prefs, &Prefs::theme, &Prefs::setTheme, theme); }

void SettingsModel::setShowMenuBar(bool on) { write(s_.prefs, &Prefs::showMenuBar, &Prefs::setShowMenuBar, on); }

void SettingsModel::setHideAppStore(bool on) { write(s_.prefs, &Prefs::hideAppStore, &Prefs::setHideAppStore, on); }

void SettingsModel::showWelcome() { s_.store.onboarding().showOnboarding(); }

QCoro::Task<void> SettingsModel::takeTour() {
    QL_ASSERT_MAIN_THREAD();
    Store* store = &s_.store;
    Clock* clock = &s_.clock;
    store->openMainWindow();
    co_await clock->sleep(std::chrono::milliseconds(400));
    store->onboarding().startTour();
}

QCoro::Task<void> SettingsModel::openFeedback() {
    QL_ASSERT_MAIN_THREAD();
    QPointer<SettingsModel> self(this);
    const QUrl page = SiteLinks::feedback();
    feedbackError_.set(std::nullopt);
    auto asking = Workspace::opened(page);
    if (!co_await std::move(asking) && self)
        self->feedbackError_.set(Store::cannotOpen(page));
}

void SettingsModel::setIntervalHours(qint64 hours) {
    if (!write(s_.prefs, &Prefs::intervalHours, &Prefs::setIntervalHours, hours))
        return;
    s_.store.startSchedule();
    qCDebug(lcSettings) << "check interval" << hours << "hours: schedule restarted";
}

void SettingsModel::setNotchMode(NotchMode mode) { write(s_.prefs, &Prefs::notchMode, &Prefs::setNotchMode, mode); }

void SettingsModel::setQuietHours(bool on) { write(s_.prefs, &Prefs::quietHours, &Prefs::setQuietHours, on); }

void SettingsModel::setQuietFrom(int hour) { write(s_.prefs, &Prefs::quietFrom, &Prefs::setQuietFrom, hour); }

void SettingsModel::setQuietTo(int hour) { write(s_.prefs, &Prefs::quietTo, &Prefs::setQuietTo, hour); }

void SettingsModel::signIn() {
    s_.store.setFilter(Filter::library);
    s_.store.openMainWindow();
}

void SettingsModel::signOut() { s_.store.signOut(); }

void SettingsModel::setDeviceName(const QString& name) {
    write(s_.prefs, &Prefs::deviceName, &Prefs::setDeviceName, name);
}

int SettingsModel::wait() const { return s_.store.confirmationWait(now_.get()); }

QCoro::Task<void> SettingsModel::resend() {
    QL_ASSERT_MAIN_THREAD();
    Store* store = &s_.store;
    try {
        co_await store->resendEmailConfirmation();
    } catch (...) {
        // Dropped: the row says nothing of a failed resend; the countdown shows what was sent.
    }
}

void SettingsModel::setConfirmDelete(bool showing) { confirmDelete_.set(showing); }

QCoro::Task<void> SettingsModel::deleteAccount() {
    QL_ASSERT_MAIN_THREAD();
    if (deleting())
        co_return;
    AccountDeletion* deletion = &s_.deletion;
    QPointer<SettingsModel> self(this);
    deleting_.set(true);
    deleteError_.set(std::nullopt);
    std::exception_ptr failure;
    try {
        co_await deletion->deleteAccount();
    } catch (...) {
        failure = std::current_exception();
    }
    // The window may have gone while the deletion ran; its outcome then has nowhere to show.
    if (!self)
        co_return;
    if (failure)
        deleteError_.set(describe(failure));
    deleting_.set(false);
}

void SettingsModel::unignore(const QString& bundleID) { s_.store.unignore(bundleID); }

void SettingsModel::openAppManagement() {
    opened(Workspace::open(
        QUrl(QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_AppBundles"))));
}

void SettingsModel::openNotifications() { opened(Permissions::openNotificationSettings()); }

void SettingsModel::opened(bool ok) {
    openError_.set(ok ? std::nullopt : std::optional<QString>(SettingsRows::cannotOpenSettings()));
}
