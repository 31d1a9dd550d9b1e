#include "runtime/CancelToken.h"

#include "runtime/Cancelled.h"
#include "runtime/Spawn.h"


CancelToken::CancelToken() : state_(std::make_shared<CancelState>()) {}

void CancelToken::cancel() const {
    if (state_->flag.exchange(true, std::memory_order_acq_rel))
        return;
    Q_EMIT state_->cancelled();
}

void CancelToken::check() const {
    if (isCancelled())
        throw Cancelled();
}

QMetaObject::Connection CancelToken::onCancel(QObject* context, std::function<void()> fn) const {
    // Runs from a signal or from the event loop: nothing it throws may escape.
    fn = guarded(std::move(fn), "cancellation hook");
    if (isCancelled()) {
        QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
        return {};
    }
    return QObject::connect(state_.get(), &CancelState::cancelled, context, std::move(fn), Qt::SingleShotConnection);
}

CancelToken CancelToken::child() const {
    CancelToken child;
    if (isCancelled()) {
        child.cancel();
        return child;
    }
    // The child's state keeps the link alive; the parent holds no reference to the child.
    std::weak_ptr<CancelState> weak = child.state_;
    QObject::connect(state_.get(), &CancelState::cancelled, child.state_.get(), [weak] {
        if (auto state = weak.lock(); state && !state->flag.exchange(true))
            Q_EMIT state->cancelled();
    });
    return child;
}
