#include "account/Auth.h"
#include "runtime/AuthError.h"
#include "sources/Net.h"

#include "AuthEmulator.h"
#include "QtPrinters.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QUuid>


using namespace Qt::Literals::StringLiterals;

// Against the real Authentication emulator, which `ctest -L emulator` starts for the run.
namespace {

#define REQUIRE_EMULATOR(config)                                                                                       \
    const auto config##Found = AuthEmulator::config();                                                                 \
    if (!config##Found)                                                                                                \
        GTEST_SKIP() << "the Authentication emulator is not running: scripts/emulators installs "                      \
                        "it and `ctest -L emulator` starts it";                                                        \
    const CloudConfig config = *config##Found

QString failureOf(QCoro::Task<void> task) {
    try {
        runSync(std::move(task));
    } catch (const AuthError& error) {
        return error.description();
    }
    return u"<no error>"_s;
}

template <typename T>
QCoro::Task<void> discard(QCoro::Task<T> task) {
    co_await std::move(task);
}

} // namespace

// A whole account's life: created, named, confirmed through the mailed link, renewed, deleted.
TEST(AuthEmulator, AnAccountFromSignUpToDeletion) {
    REQUIRE_EMULATOR(config);
    const QString email = AuthEmulator::freshAddress();

    const Session created = runSync(Auth::signUp(email, u"secret-pw"_s, config));
    EXPECT_EQ(created.email, email);
    EXPECT_EQ(created.provider, u"password"_s);
    EXPECT_EQ(created.emailVerified, false);
    EXPECT_FALSE(created.uid.isEmpty());

    runSync(Auth::updateName(u"Ada Lovelace"_s, created, config));
    Auth::Profile profile = runSync(Auth::profile(created, config));
    EXPECT_EQ(profile.name, u"Ada Lovelace"_s);
    EXPECT_FALSE(profile.verified);

    runSync(Auth::sendEmailConfirmation(created, config));
    const QString link = runSync(AuthEmulator::confirmationLink(config, email));
    ASSERT_FALSE(link.isEmpty());
    runSync(Net::get(QUrl(link))); // the user follows the mailed link
    EXPECT_TRUE(runSync(Auth::profile(created, config)).verified);

    const Session signedIn = runSync(Auth::signIn(email, u"secret-pw"_s, config));
    EXPECT_EQ(signedIn.uid, created.uid);

    const Session renewed = runSync(Auth::refresh(signedIn, config));
    EXPECT_EQ(renewed.uid, signedIn.uid);
    EXPECT_NE(renewed.idToken, u""_s);
    EXPECT_TRUE(runSync(Auth::profile(renewed, config)).verified);

    runSync(Auth::deleteAccount(renewed, config));
    EXPECT_EQ(failureOf(discard(Auth::profile(renewed, config))), u"Your session ended. Sign in again."_s);
    EXPECT_EQ(failureOf(discard(Auth::signIn(email, u"secret-pw"_s, config))),
              u"That email and password don't match."_s);
}

TEST(AuthEmulator, RefusalsReadAsTheirSentences) {
    REQUIRE_EMULATOR(config);
    const QString email = AuthEmulator::freshAddress();
    runSync(Auth::signUp(email, u"secret-pw"_s, config));

    EXPECT_EQ(failureOf(discard(Auth::signIn(email, u"wrong-pw"_s, config))),
              u"That email and password don't match."_s);
    EXPECT_EQ(failureOf(discard(Auth::signUp(AuthEmulator::freshAddress(), u"12"_s, config))),
              u"Use a password of at least 6 characters."_s);
    EXPECT_EQ(failureOf(discard(Auth::signUp(email, u"secret-pw"_s, config))),
              u"That email can't be used for a new account. Sign in instead, or use another email."_s);
    EXPECT_EQ(failureOf(discard(Auth::signUp(u"not-an-address"_s, u"secret-pw"_s, config))),
              u"That doesn't look like an email address."_s);
    // The same answer whether or not the address has an account.
    EXPECT_NO_THROW(runSync(Auth::sendPasswordReset(AuthEmulator::freshAddress(), config)));
    EXPECT_NO_THROW(runSync(Auth::sendPasswordReset(email, config)));

    Session forged;
    forged.refreshToken = u"not-a-token"_s;
    EXPECT_EQ(failureOf(discard(Auth::refresh(forged, config))), u"Your session ended. Sign in again."_s);
}

// The emulator takes an unsigned ID token for its Google provider.
TEST(AuthEmulator, AGoogleTokenSignsInConfirmed) {
    REQUIRE_EMULATOR(config);
    const QString email = AuthEmulator::freshAddress();
    const QString token = uR"({"sub":"g-)"_s + QUuid::createUuid().toString(QUuid::Id128) + uR"(","email":")"_s +
                          email + uR"(","email_verified":true,"name":"Grace"})"_s;
    const Session session = runSync(Auth::signIn(Auth::GoogleIDToken{token}, config));
    EXPECT_EQ(session.provider, u"google.com"_s);
    EXPECT_EQ(session.email, email);
    EXPECT_EQ(session.emailVerified, true);
    EXPECT_EQ(session.name, u"Grace"_s);
}
