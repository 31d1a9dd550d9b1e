#pragma once

#include "runtime/CancelToken.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class Clock;
class Observer;
class Store;

// Clears `Store.notice` once a text has been on screen for `shownFor`. Each new text gets its
// whole time: a text that replaces another restarts the wait, and a wait cut short (by a new
// text, a cleared notice or the toast going away) clears nothing. Owned by the toast's view.
class NoticeTimer final : public QObject {
    Q_OBJECT
public:
    static constexpr double shownFor = 4; // seconds

    NoticeTimer(Store& store, Clock& clock, QObject* parent = nullptr);
    ~NoticeTimer() override;

private:
    void restart();
    static QCoro::Task<void> wait(QPointer<Store> store, QString text, CancelToken token, Clock* clock);

    Store& store_;
    Clock& clock_;
    Observer* observer_ = nullptr;
    std::optional<QString> shown_;
    CancelToken token_;
};
