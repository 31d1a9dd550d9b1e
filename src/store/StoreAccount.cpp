#include "store/Store.h"

#include "runtime/AuthError.h"
#include "runtime/Clock.h"
#include "runtime/MainThread.h"
#include "store/AccountHooks.h"
#include "store/LibraryHooks.h"

#include <cmath>
#include <exception>

namespace {

AuthError offline() { return AuthError(QStringLiteral("You're offline. Try again in a moment.")); }

QString keyringMissing() {
    return QStringLiteral("No unlocked keyring is running to keep your sign-in, so you'll need to sign "
                          "in again the next time Quenlark starts.");
}

} // namespace

QCoro::Task<void> Store::signedIn(Session session) {
    QL_ASSERT_MAIN_THREAD();
    const std::shared_ptr<AccountHooks> account = c_.account;
    const std::shared_ptr<LibraryHooks> library = c_.library;
    setSession(session);
    account->save(session);
    setSyncError(std::nullopt);
    // A sign-out or another sign-in during any wait below ends this one: its notice, and above all
    // its name and e-mail, must not reach the account signed in now.
    const quint64 generation = sessionGeneration_;
    // Without a keyring the sign-in lasts only this run; the user should know before relying
    // on it.
    auto asking = account->keepsSessions();
    const bool kept = co_await std::move(asking);
    if (generation != sessionGeneration_)
        co_return;
    if (!kept)
        setNotice(keyringMissing(), QStringLiteral("lock"));
    const std::optional<CloudAccess> cloud = co_await liveCloud(false);
    if (generation != sessionGeneration_)
        co_return;
    if (cloud) {
        try {
            auto saving = library->saveProfile(*cloud, session.name, session.email);
            co_await std::move(saving);
        } catch (...) {
            // The profile is written again with the next sign-in; the sync goes on regardless.
        }
    }
    if (generation == sessionGeneration_)
        co_await syncLibrary();
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
    const std::shared_ptr<AccountHooks> account = c_.account;
    if (confirmationWait(clock_.now()) != 0)
        co_return;
    if (!cloud_)
        throw offline();
    const CloudConfig config = *cloud_;
    const std::optional<CloudAccess> cloud = co_await liveCloud(false);
    const std::optional<Session> session = session_.get();
    if (!cloud || !session)
        throw offline();
    // Another resend may have gone out while the client was obtained: one mail, not two.
    if (confirmationWait(clock_.now()) != 0)
        co_return;

    confirmationSentAt_.set(clock_.now()); // the wait shows at once
    std::exception_ptr failure;
    try {
        auto sending = account->sendEmailConfirmation(*session, config);
        co_await std::move(sending);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        confirmationSentAt_.set(std::nullopt); // the user may try again at once
        std::rethrow_exception(failure);
    }
}

QCoro::Task<void> Store::refreshEmailConfirmation() {
    QL_ASSERT_MAIN_THREAD();
    const std::shared_ptr<AccountHooks> account = c_.account;
    const std::optional<Session> before = session_.get();
    if (!before || before->provider != QLatin1String("password") || before->emailVerified == true)
        co_return;
    if (!cloud_)
        co_return;
    const CloudConfig config = *cloud_;
    const std::optional<CloudAccess> cloud = co_await liveCloud(false);
    if (!cloud)
        co_return;
    // The live client may have renewed and saved the session.
    const std::optional<Session> asked = session_.get();
    if (!asked)
        co_return;

    std::optional<AccountHooks::Profile> answer;
    try {
        auto looking = account->profile(*asked, config);
        answer = co_await std::move(looking);
    } catch (...) {
        co_return; // the state stays as it was
    }
    // Only the account that was asked about takes the answer: a sign-out, or another sign-in,
    // during the call must not be undone and saved again.
    std::optional<Session> now = session_.get();
    if (!now || now->uid != asked->uid)
        co_return;
    if (now->emailVerified == answer->verified)
        co_return;
    now->emailVerified = answer->verified;
    setSession(now);
    account->save(now);
}
