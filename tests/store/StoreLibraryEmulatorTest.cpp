#include "account/Auth.h"
#include "library/Cloud.h"
#include "library/LiveLibraryHooks.h"
#include "runtime/Error.h"
#include "store/Store.h"

#include "AuthEmulator.h"
#include "QtPrinters.h"
#include "RunSync.h"
#include "StoreHarness.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

// The store with its real library seam against the Authentication and Firestore emulators that
// `ctest -L emulator` starts.
TEST(StoreLibraryOnEmulators, SignInBacksUpThisMacAndDeletionLeavesNothing) {
    const auto config = AuthEmulator::withFirestore();
    if (!config)
        GTEST_SKIP() << "the Authentication and Firestore emulators are not running: `ctest -L emulator` starts them";
    StoreHarness h;
    h.cloud = config;
    h.library = std::make_shared<LiveLibraryHooks>();
    h.apps = {StoreHarness::app(u"Beta"_s, u"2.0"_s), StoreHarness::app(u"Alpha"_s, u"1.0"_s)};
    Store& s = h.build();
    EXPECT_TRUE(h.settle(h.start(s.refresh())));

    const Session session = runSync(Auth::signUp(AuthEmulator::freshAddress(), u"secret-pw"_s, *config));
    runSync(s.signedIn(session));
    EXPECT_EQ(s.syncError(), std::nullopt);
    ASSERT_EQ(s.library().size(), 2);
    EXPECT_EQ(s.library()[0]->app().name, u"Alpha"_s);
    EXPECT_EQ(s.library()[0]->app().devices.value(u"dhere"_s).version, u"1.0"_s);
    ASSERT_EQ(s.devices().size(), 1);
    EXPECT_EQ(s.devices()[0].id, u"dhere"_s);

    runSync(s.deleteAccount());
    EXPECT_FALSE(s.session());
    EXPECT_TRUE(s.library().isEmpty() && s.devices().isEmpty());
    const Cloud cloud{*config, session};
    EXPECT_TRUE(runSync(cloud.apps()).records.isEmpty());
    EXPECT_TRUE(runSync(cloud.devices()).records.isEmpty());
    try {
        runSync(Auth::profile(session, *config));
        ADD_FAILURE() << "the identity account is still there";
    } catch (const Error& error) {
        EXPECT_EQ(error.description(), u"Your session ended. Sign in again."_s);
    }
}
