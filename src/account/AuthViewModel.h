#pragma once

#include "runtime/Observed.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Store;

// The sign-in card's state and rules, without widgets: the typed values, validation, the two
// modes and the flows that end in Store::signedIn. The mode itself is the store's
// `creatingAccount`, so it outlives the card. GUI thread only.
class AuthViewModel final : public QObject {
    Q_OBJECT
public:
    // The focusable fields, in focus order.
    enum class Field { name, email, password };

    // What each mode shows.
    struct Mode {
        QString heading;
        QString googleTitle;
        QString primaryTitle;
        QString footerLink;
        QString pitchTitle;
        QString passwordContentType;
        bool nameField;
        bool passwordHint;
        bool forgotPassword;
    };
    static const Mode& mode(bool creating);

    // The line under the password in create-account mode.
    struct Hint {
        QString text;
        QString symbol;
        bool good;
    };

    // The Google ID token for a client id; the card keeps the GoogleSignIn (and its sheet)
    // alive and hands its idToken in here. A cancelled sign-in throws Cancelled.
    using GoogleToken = std::function<QCoro::Task<QString>(QString clientID)>;

    // Posted to make every card on screen send a password-reset mail.
    static inline const QString demoForgotPassword = QStringLiteral("quenlark.demo.forgotPassword");

    AuthViewModel(Store& store, GoogleToken googleToken, QObject* parent = nullptr);
    ~AuthViewModel() override;

    const QString& name() const { return name_.get(); }
    const QString& email() const { return email_.get(); }
    const QString& password() const { return password_.get(); }
    bool reveal() const { return reveal_.get(); }
    bool agreed() const { return agreed_.get(); }
    bool busy() const { return busy_.get(); }
    const std::optional<QString>& error() const { return error_.get(); }
    const std::optional<QString>& info() const { return info_.get(); }
    // The field that should have the keyboard focus; told on every request, even a repeated one.
    const std::optional<Field>& focus() const { return focus_.get(); }

    void setName(QString name) { name_.set(std::move(name)); }
    void setEmail(QString email) { email_.set(std::move(email)); }
    void setPassword(QString password) { password_.set(std::move(password)); }
    void setReveal(bool reveal) { reveal_.set(reveal); }
    void setAgreed(bool agreed) { agreed_.set(agreed); }
    void setFocus(std::optional<Field> field) { focus_.set(field); }

    // One "@" with something before it, then something, a dot and something; no blanks.
    static bool emailValid(const QString& email);
    bool emailValid() const { return emailValid(email()); }
    // User-perceived characters.
    static int graphemes(const QString& text);
    bool canSubmit() const;
    // Why the primary button stays dim while the terms box is unticked, said beside it; empty
    // once ticked.
    QString agreementHint() const;
    Hint passwordHint() const;
    // The Google block shows only with a back end that has a Google client id.
    bool showsGoogle() const;
    bool googleEnabled() const { return !busy() && agreed(); }
    double googleOpacity() const { return agreed() ? 1.0 : 0.5; }
    const Mode& mode() const;

    // The segments and the footer link.
    void switchMode(bool creating);
    // The primary button and Return.
    QCoro::Task<void> submit();
    // "Forgot password?" and the demo notification.
    QCoro::Task<void> reset();
    QCoro::Task<void> signInWithGoogle();

private:
    void watchMode();
    void setBusy(bool busy) { busy_.set(busy); }
    void setError(std::optional<QString> error) { error_.set(std::move(error)); }
    void setInfo(std::optional<QString> info) { info_.set(std::move(info)); }

    Store& store_;
    GoogleToken googleToken_;
    Observed<QString> name_;
    Observed<QString> email_;
    Observed<QString> password_;
    Observed<bool> reveal_{false};
    Observed<bool> agreed_{false};
    Observed<bool> busy_{false};
    Observed<std::optional<QString>> error_;
    Observed<std::optional<QString>> info_;
    Observed<std::optional<Field>, Notify::Always> focus_;
    Observation::Handle modeWatch_;
    bool watchedCreating_ = false;
};
