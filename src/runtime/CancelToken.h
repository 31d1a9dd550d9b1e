#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class CancelState : public QObject {
    Q_OBJECT
public:
    std::atomic<bool> flag{false};
Q_SIGNALS:
    void cancelled();
};

// A shared cancellation flag passed explicitly down a tree of coroutines. Copies share one state.
// Cancel on the GUI thread; the flag itself may be read from any thread.
class CancelToken {
public:
    CancelToken();

    void cancel() const;
    bool isCancelled() const noexcept { return state_->flag.load(std::memory_order_acquire); }
    // Throws Cancelled when the token has been cancelled.
    void check() const;

    // Calls `fn` once, on `context`'s thread, when the token is cancelled (queued when it
    // already is). The connection ends with `context`; what `fn` throws is reported.
    QMetaObject::Connection onCancel(QObject* context, std::function<void()> fn) const;

    // A token cancelled together with this one that can also be cancelled on its own.
    CancelToken child() const;

private:
    std::shared_ptr<CancelState> state_;
};
