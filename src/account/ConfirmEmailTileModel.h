#pragma once

#include "runtime/CancelToken.h"
#include "runtime/Observed.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <optional>

class Store;

// The confirm-email tile's state and rules: the resend countdown, ticking once a second from
// the clock, the two actions and the refresh when the application becomes active. GUI thread.
class ConfirmEmailTileModel final : public QObject {
    Q_OBJECT
public:
    ConfirmEmailTileModel(Store& store, QString email, QObject* parent = nullptr);
    ~ConfirmEmailTileModel() override;

    const QString& email() const { return email_; }
    bool working() const { return working_.get(); }
    const std::optional<QString>& message() const { return message_.get(); }
    // The moment of the last tick; a view reading it redraws once a second.
    const QDateTime& now() const { return now_.get(); }

    // The message when there is one, else the explanation.
    QString text() const;
    // Whole seconds before the mail may be sent again, at the last tick.
    int wait() const;
    QString resendTitle() const;
    bool resendEnabled() const { return wait() <= 0 && !working(); }
    bool confirmedEnabled() const { return !working(); }

    // "Resend": sends the mail again once the wait is over; an error becomes the message.
    QCoro::Task<void> resend();
    // "I've Confirmed": asks the service again and says so when it is still unconfirmed.
    QCoro::Task<void> confirmed();
    // The application became active: ask again, quietly.
    QCoro::Task<void> becameActive();

private:
    QCoro::Task<void> tick();

    Store& store_;
    QString email_;
    Observed<bool> working_{false};
    Observed<std::optional<QString>> message_;
    Observed<QDateTime> now_;
    CancelToken ticking_;
};
