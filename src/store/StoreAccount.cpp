#include "store/Store.h"

#include "runtime/MainThread.h"

#include <cmath>

// Until sign-in exists no session is ever handed over, so these have nothing to do yet.

QCoro::Task<void> Store::signedIn(Session session) {
    QL_ASSERT_MAIN_THREAD();
    setSession(std::move(session));
    co_return;
}

int Store::confirmationWait(const QDateTime& at) const {
    const auto& sent = confirmationSentAt_.get();
    if (!sent)
        return 0;
    const double left = static_cast<double>(at.msecsTo(sent->addSecs(60))) / 1000.0;
    return left <= 0 ? 0 : static_cast<int>(std::ceil(left));
}

QCoro::Task<void> Store::resendEmailConfirmation() {
    QL_ASSERT_MAIN_THREAD();
    co_return;
}

QCoro::Task<void> Store::refreshEmailConfirmation() {
    QL_ASSERT_MAIN_THREAD();
    co_return;
}
