#include "account/ConfirmEmailTileModel.h"

#include "runtime/Clock.h"
#include "runtime/Describe.h"
#include "runtime/MainThread.h"
#include "runtime/OutsideText.h"
#include "runtime/Spawn.h"
#include "store/Store.h"

#include <QPointer>

#include <chrono>
#include <exception>

using namespace Qt::Literals::StringLiterals;

ConfirmEmailTileModel::ConfirmEmailTileModel(Store& store, QString email, QObject* parent)
    : QObject(parent), store_(store), email_(std::move(email)), now_(Clock::shared().now()) {
    spawn(tick(), "confirm-email countdown");
}

ConfirmEmailTileModel::~ConfirmEmailTileModel() { ticking_.cancel(); }

QCoro::Task<void> ConfirmEmailTileModel::tick() {
    const CancelToken token = ticking_;
    QPointer<ConfirmEmailTileModel> self(this);
    for (;;) {
        const bool slept = co_await Clock::shared().sleep(std::chrono::seconds(1), token);
        if (!slept || !self)
            co_return;
        now_.set(Clock::shared().now());
    }
}

QString ConfirmEmailTileModel::text() const {
    if (const auto& said = message())
        return *said;
    return u"We sent a link to "_s + OutsideText::isolated(email_) +
           u". Confirming it makes sure your backup belongs to an inbox you own."_s;
}

int ConfirmEmailTileModel::wait() const { return store_.confirmationWait(now()); }

QString ConfirmEmailTileModel::resendTitle() const {
    const int left = wait();
    if (left < 1)
        return u"Resend"_s;
    return tr("Resend in %1s").arg(left);
}

QCoro::Task<void> ConfirmEmailTileModel::resend() {
    QL_ASSERT_MAIN_THREAD();
    Store* store = &store_;
    // The store sends nothing while the wait runs; saying "Sent again" then would be untrue.
    if (working() || store->confirmationWait(Clock::shared().now()) > 0)
        co_return;
    QPointer<ConfirmEmailTileModel> self(this);
    working_.set(true);
    std::exception_ptr failure;
    try {
        co_await store->resendEmailConfirmation();
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;
    if (failure)
        message_.set(describe(failure));
    else
        message_.set(u"Sent again to "_s + OutsideText::isolated(email_) + u". It can take a minute to arrive."_s);
    now_.set(Clock::shared().now()); // the countdown starts at once
    working_.set(false);
}

QCoro::Task<void> ConfirmEmailTileModel::confirmed() {
    QL_ASSERT_MAIN_THREAD();
    if (working())
        co_return;
    Store* store = &store_;
    QPointer<ConfirmEmailTileModel> self(this);
    working_.set(true);
    co_await store->refreshEmailConfirmation();
    if (!self)
        co_return;
    const auto& session = store->session();
    if (session && session->awaitingConfirmation())
        message_.set(u"Not confirmed yet. Open the link in the email from Quenlark, then try again."_s);
    working_.set(false);
}

QCoro::Task<void> ConfirmEmailTileModel::becameActive() {
    Store* store = &store_;
    co_await store->refreshEmailConfirmation();
}
