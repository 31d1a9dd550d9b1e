#include "account/Auth.h"
#include "account/LiveAccountHooks.h"
#include "account/ConfirmEmailTileModel.h"
#include "account/ui/AccountButton.h"
#include "account/ui/AuthView.h"
#include "account/ui/ConfirmEmailTile.h"
#include "account/ui/FieldBox.h"
#include "account/ui/SymbolLabel.h"
#include "account/ui/TermsCheckbox.h"
#include "model/Vault.h"
#include "sources/Net.h"

#include "AuthEmulator.h"
#include "QtPrinters.h"
#include "RunSync.h"
#include "StoreHarness.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The form and the tile driven by keys and clicks against the real Authentication emulator,
// which `ctest -L emulator` starts; the session is kept in Vault's file store.
namespace {

// One run of the application: a store over the real stored session.
struct AppRun {
    explicit AppRun(const CloudConfig& config) {
        harness.cloud = config;
        harness.account = std::make_shared<LiveAccountHooks>();
        harness.build();
    }
    Store& store() { return harness.store(); }
    StoreHarness harness;
};

void type(AuthView& view, const QString& name, const QString& email, const QString& password) {
    if (!name.isEmpty())
        QTest::keyClicks(view.nameField()->edit(), name);
    QTest::keyClicks(view.emailField()->edit(), email);
    QTest::keyClicks(view.passwordField()->edit(), password);
    view.terms()->box()->click();
    QTest::keyClick(view.passwordField()->edit(), Qt::Key_Return);
}

class AuthFormEmulator : public ::testing::Test {
protected:
    void SetUp() override {
        Vault::setFolder(vault.path());
        CloudConfig::setCurrentForTest(AuthEmulator::config());
    }
    void TearDown() override {
        Vault::setFolder(std::nullopt);
        CloudConfig::setCurrentForTest(std::nullopt);
    }
    QTemporaryDir vault;
};

} // namespace

// Created from the form, confirmed through the mailed link, still signed in after a restart.
TEST_F(AuthFormEmulator, CreateConfirmAndComeBackSignedIn) {
    const auto config = AuthEmulator::config();
    if (!config)
        GTEST_SKIP() << "the Authentication emulator is not running: `ctest -L emulator` starts it";
    const QString email = AuthEmulator::freshAddress();
    QString uid;
    {
        AppRun first(*config);
        AuthView view(first.store());
        view.show();
        view.footerLink()->click(); // "New here? Create an account"
        QApplication::processEvents();
        type(view, u"Ada Lovelace"_s, email, u"secret-pw"_s);
        ASSERT_TRUE(
            waitUntil([&] { return first.store().session() && !view.model().busy(); }, std::chrono::seconds(30)))
            << (view.model().error() ? view.model().error()->toStdString() : std::string());
        const Session session = *first.store().session();
        EXPECT_EQ(session.email, email);
        EXPECT_EQ(session.name, u"Ada Lovelace"_s);
        EXPECT_EQ(session.emailVerified, false);
        uid = session.uid;

        // The dashboard shows the tile for this session; the wait started with the account.
        ConfirmEmailTile tile(first.store(), session.email);
        QApplication::processEvents();
        EXPECT_EQ(tile.resendButton()->text(), u"Resend in 60s"_s);
        tile.confirmedButton()->click(); // not yet
        ASSERT_TRUE(waitUntil([&] { return !tile.model().working(); }, std::chrono::seconds(30)));
        QApplication::processEvents();
        EXPECT_EQ(tile.text()->text(),
                  u"Not confirmed yet. Open the link in the email from Quenlark, then try again."_s);

        const QString link = runSync(AuthEmulator::confirmationLink(*config, email));
        ASSERT_FALSE(link.isEmpty());
        runSync(Net::get(QUrl(link))); // the user opens the mailed link
        tile.confirmedButton()->click();
        ASSERT_TRUE(
            waitUntil([&] { return first.store().session()->emailVerified == true; }, std::chrono::seconds(30)));
        ASSERT_TRUE(waitUntil([&] { return !tile.model().working(); }));
        // The dashboard's rule for the tile no longer holds.
        EXPECT_NE(first.store().session()->emailVerified, std::optional(false));
    }
    AppRun again(*config);
    ASSERT_TRUE(again.store().session());
    EXPECT_EQ(again.store().session()->uid, uid);
    EXPECT_EQ(again.store().session()->emailVerified, true);
}

TEST_F(AuthFormEmulator, AWrongPasswordSaysTheyDontMatch) {
    const auto config = AuthEmulator::config();
    if (!config)
        GTEST_SKIP() << "the Authentication emulator is not running: `ctest -L emulator` starts it";
    const QString email = AuthEmulator::freshAddress();
    runSync(Auth::signUp(email, u"secret-pw"_s, *config));

    AppRun launch(*config);
    AuthView view(launch.store());
    view.show();
    type(view, QString(), email, u"wrong-pw"_s);
    ASSERT_TRUE(waitUntil([&] { return view.model().error().has_value(); }, std::chrono::seconds(30)));
    QApplication::processEvents();
    EXPECT_EQ(view.message()->text(), u"That email and password don't match."_s);
    EXPECT_TRUE(view.message()->isVisibleTo(&view));
    EXPECT_FALSE(launch.store().session());
}
