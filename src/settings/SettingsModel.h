#pragma once

#include "model/NotchMode.h"
#include "model/Theme.h"
#include "runtime/CancelToken.h"
#include "runtime/Observed.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QSize>
#include <QString>

#include <optional>

class AccountDeletion;
class Clock;
class LoginChoice;
class Prefs;
class Store;

// The settings window's state and operations. Every setter acts only on a change, so showing
// the window and binding its controls calls nothing. GUI thread only.
class SettingsModel final : public QObject {
    Q_OBJECT
public:
    struct Services {
        Store& store;
        Prefs& prefs;
        LoginChoice& login;
        AccountDeletion& deletion;
        Clock& clock;
    };
    // Reads the login item's state now and at each showing, never while on screen: the switch
    // does not follow changes made elsewhere while the window is open.
    SettingsModel(Services services, QObject* parent = nullptr);
    ~SettingsModel() override;

    Store& store() const { return s_.store; }
    Prefs& prefs() const { return s_.prefs; }

    // ---- The window ----
    const QString& tab() const;
    void setTab(const QString& tag);
    QSize size() const;
    // The window came on screen (reads the login item and the permissions again, starts the
    // countdown's tick) or left it (the tick stops).
    void shown(bool onScreen);

    // ---- General ----
    bool openAtLogin() const { return openAtLogin_.get(); }
    void setOpenAtLogin(bool on);
    void setTheme(Theme theme);
    void setShowMenuBar(bool on);
    void setHideAppStore(bool on);
    void showWelcome();
    // Brings the main window forward and starts the tour 0.4 s later; this window stays open.
    QCoro::Task<void> takeTour();
    // Opens the feedback page; when nothing opens it, feedbackError names the address.
    QCoro::Task<void> openFeedback();
    const std::optional<QString>& feedbackError() const { return feedbackError_.get(); }

    // ---- Updates ----
    // A new interval restarts the schedule.
    void setIntervalHours(qint64 hours);
    void setNotchMode(NotchMode mode);
    void setQuietHours(bool on);
    void setQuietFrom(int hour);
    void setQuietTo(int hour);

    // ---- Account ----
    void signIn();
    void signOut();
    void setDeviceName(const QString& name);
    // Whole seconds before the confirmation mail may be sent again, at the last tick.
    int wait() const;
    // Sends the confirmation mail again; a failure is dropped.
    QCoro::Task<void> resend();
    bool confirmDelete() const { return confirmDelete_.get(); }
    void setConfirmDelete(bool showing);
    bool deleting() const { return deleting_.get(); }
    const std::optional<QString>& deleteError() const { return deleteError_.get(); }
    // Runs the deletion once confirmed. It may outlive this model: nothing is written back then.
    QCoro::Task<void> deleteAccount();

    // ---- Apps ----
    void unignore(const QString& bundleID);

    // ---- Permissions ----
    void openAppManagement();
    void openNotifications();
    // Set when an "Open…" button found no settings page to open; cleared by the next one.
    const std::optional<QString>& openError() const { return openError_.get(); }

private:
    QCoro::Task<void> tick(CancelToken token);
    void opened(bool ok);

    Services s_;
    Observed<bool> openAtLogin_;
    Observed<bool> confirmDelete_{false};
    Observed<bool> deleting_{false};
    Observed<std::optional<QString>> deleteError_;
    Observed<std::optional<QString>> openError_;
    Observed<std::optional<QString>> feedbackError_;
    Observed<QDateTime> now_;
    std::optional<CancelToken> ticking_;
};
