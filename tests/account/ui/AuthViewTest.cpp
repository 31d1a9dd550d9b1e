#include "account/ui/AccountButton.h"
#include "account/ui/AuthView.h"
#include "account/ui/FieldBox.h"
#include "account/ui/GoogleButton.h"
#include "account/ui/ModeSwitch.h"
#include "account/ui/SymbolLabel.h"
#include "account/ui/TermsCheckbox.h"
#include "account/SiteLinks.h"
#include "model/Motion.h"

#include "FakeIdentity.h"
#include "QtPrinters.h"
#include "RunSync.h"
#include "StoreHarness.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {

// A card on screen, with the fake service as its back end.
struct Form {
    explicit Form(bool creating, QString googleClientID = u"123-abc.apps.googleusercontent.com"_s) {
        Motion::setInstantForTests(true); // parts come and go at once
        CloudConfig config = identity.config();
        config.googleClientID = std::move(googleClientID);
        harness.cloud = config;
        harness.build().setCreatingAccount(creating);
        view = std::make_unique<AuthView>(harness.store());
        view->show();
        QApplication::setActiveWindow(view.get());
        settle();
    }
    ~Form() { Motion::setInstantForTests(false); }
    static void settle() { QApplication::processEvents(); }
    QWidget* focused() const { return QApplication::focusWidget(); }

    FakeIdentity identity;
    StoreHarness harness;
    std::unique_ptr<AuthView> view;
};

QJsonObject tokens() {
    return {{u"localId"_s, u"uid-9"_s},
            {u"idToken"_s, u"id-9"_s},
            {u"refreshToken"_s, u"refresh-9"_s},
            {u"email"_s, u"ada@example.com"_s},
            {u"expiresIn"_s, u"3600"_s}};
}

} // namespace

// Typed keys reach the model; the primary button opens only once every rule holds; Return in
// any field (or on the checkbox) submits, once.
TEST(AuthView, TypingFillsTheFormAndReturnSubmitsOnce) {
    Form form(true);
    form.identity.answerJson("signUp", tokens());
    form.identity.answerJson("sendOobCode", {});
    form.identity.answerJson("update", {});
    AuthView& view = *form.view;
    EXPECT_FALSE(view.primaryButton()->isEnabled());

    QTest::keyClicks(view.nameField()->edit(), u"  Ada "_s);
    QTest::keyClicks(view.emailField()->edit(), u"ada@example.com"_s);
    QTest::keyClicks(view.passwordField()->edit(), u"secre"_s);
    Form::settle();
    EXPECT_EQ(view.passwordHint()->text(), u"At least 6 characters"_s);
    QTest::keyClick(view.passwordField()->edit(), Qt::Key_Return); // not yet: nothing is sent
    QTest::keyClicks(view.passwordField()->edit(), u"t"_s);
    Form::settle();
    EXPECT_EQ(view.passwordHint()->text(), u"Password looks good"_s);
    EXPECT_FALSE(view.primaryButton()->isEnabled()); // the terms are not agreed to yet
    view.terms()->box()->click();
    Form::settle();
    EXPECT_TRUE(view.primaryButton()->isEnabled());
    EXPECT_EQ(form.identity.calls().size(), 0u);

    QTest::keyClick(view.terms()->box(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return form.harness.store().session().has_value(); }));
    ASSERT_TRUE(waitUntil([&] { return !view.model().busy(); }));
    ASSERT_EQ(form.identity.calls().size(), 4u); // sign-up, mail, name, then the sync's lookup: one submit
    EXPECT_EQ(form.harness.store().session()->name, u"Ada"_s);
    Form::settle();
    EXPECT_EQ(view.passwordField()->edit()->text(), QString());
    EXPECT_EQ(view.emailField()->edit()->text(), u"ada@example.com"_s);
}

// Tab walks name, e-mail, password, then the button; a mode switch moves the focus to the new
// mode's first field and clears the message line.
TEST(AuthView, FocusFollowsTheFieldsAndTheMode) {
    Form form(true);
    AuthView& view = *form.view;
    view.nameField()->edit()->setFocus();
    Form::settle();
    const QList<QWidget*> order{view.emailField()->edit(), view.passwordField()->edit(), view.primaryButton()};
    view.model().setAgreed(true); // an enabled button takes the focus
    view.model().setEmail(u"ada@example.com"_s);
    view.model().setPassword(u"secret1"_s);
    view.model().setName(u"Ada"_s);
    Form::settle();
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(form.focused(), next) << next->metaObject()->className();
    }

    view.model().setEmail(u"not an address"_s);
    runSync(view.model().reset());
    Form::settle();
    EXPECT_EQ(form.focused(), view.emailField()->edit());
    EXPECT_TRUE(view.message()->isVisibleTo(&view));
    EXPECT_EQ(view.message()->text(), u"Enter your email above, then choose Forgot password."_s);

    view.footerLink()->click();
    Form::settle();
    EXPECT_FALSE(form.harness.store().creatingAccount());
    EXPECT_FALSE(view.message()->isVisibleTo(&view));
    EXPECT_FALSE(view.nameField()->isVisibleTo(&view));
    EXPECT_TRUE(view.forgotButton()->isVisibleTo(&view));
    EXPECT_EQ(form.focused(), view.emailField()->edit());
    view.modeSwitch()->segment(true)->click();
    Form::settle();
    EXPECT_TRUE(form.harness.store().creatingAccount());
    EXPECT_TRUE(view.modeSwitch()->segment(true)->isChecked());
    EXPECT_FALSE(view.modeSwitch()->segment(false)->isChecked());
    EXPECT_EQ(form.focused(), view.nameField()->edit());
}

// The eye shows the password in clear and back; the Google block follows the client id and
// the terms; the links open their pages and leave the box as it was.
TEST(AuthView, RevealGoogleAndTheTermsLinks) {
    Form form(false);
    AuthView& view = *form.view;
    QLineEdit* password = view.passwordField()->edit();
    const std::pair<QLineEdit::EchoMode, QString> states[] = {{QLineEdit::Password, u"Show password"_s},
                                                              {QLineEdit::Normal, u"Hide password"_s},
                                                              {QLineEdit::Password, u"Show password"_s}};
    for (const auto& [echo, help] : states) {
        EXPECT_EQ(std::pair(password->echoMode(), view.revealButton()->toolTip()), std::pair(echo, help));
        view.revealButton()->click();
        Form::settle();
    }

    EXPECT_TRUE(view.googleButton()->isVisibleTo(&view));
    EXPECT_EQ(view.googleButton()->text(), u"Continue with Google"_s);
    EXPECT_FALSE(view.googleButton()->isEnabled());
    EXPECT_TRUE(view.googleButton()->faded());
    view.terms()->box()->click();
    Form::settle();
    EXPECT_TRUE(view.googleButton()->isEnabled());
    EXPECT_FALSE(view.googleButton()->faded());

    view.terms()->box()->click(); // cleared again
    for (const QUrl& page : {SiteLinks::terms(), SiteLinks::privacy()})
        Q_EMIT view.terms()->text()->linkActivated(page.toString());
    EXPECT_EQ(form.harness.shell.openedUrls, (QList<QUrl>{SiteLinks::terms(), SiteLinks::privacy()}));
    EXPECT_FALSE(view.model().agreed());
    EXPECT_FALSE(view.terms()->box()->isChecked());
    EXPECT_TRUE(view.terms()->text()->text().contains(SiteLinks::terms().toString()));

    Form bare(true, QString());
    EXPECT_FALSE(bare.view->googleButton()->isVisibleTo(bare.view.get()));
}

// While a flow runs the primary button shows its spinner and stays disabled; the fields and the
// mode switch stay usable; a refusal shows its sentence in the red line.
TEST(AuthView, BusyThenTheRefusalsSentence) {
    Form form(false);
    form.identity.fail("signInWithPassword", "INVALID_LOGIN_CREDENTIALS");
    form.identity.answer("signInWithPassword", {400, R"({"error":{"code":400,"message":"INVALID_LOGIN_CREDENTIALS"}})",
                                                "application/json", std::chrono::milliseconds(300)});
    AuthView& view = *form.view;
    view.model().setEmail(u"ada@example.com"_s);
    view.model().setPassword(u"wrong-pw"_s);
    view.model().setAgreed(true);
    Form::settle();
    view.primaryButton()->click();
    Form::settle();
    EXPECT_TRUE(view.primaryButton()->busy());
    EXPECT_FALSE(view.primaryButton()->isEnabled());
    EXPECT_FALSE(view.forgotButton()->isEnabled());
    EXPECT_TRUE(view.emailField()->edit()->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return !view.model().busy(); }));
    Form::settle();
    EXPECT_FALSE(view.primaryButton()->busy());
    EXPECT_EQ(view.message()->text(), u"That email and password don't match."_s);
    EXPECT_EQ(view.message()->symbol(), u"exclamationmark.triangle.fill"_s);
    EXPECT_EQ(view.passwordField()->edit()->text(), u"wrong-pw"_s);
}

// The demo's "forgot password" reaches every card on screen, and only those.
TEST(AuthView, TheDemoForgotPasswordReachesEveryCard) {
    Form first(false);
    Form second(true);
    first.view->model().setEmail(u"ada"_s);
    second.view->model().setEmail(u"ada"_s);
    {
        Form gone(false);
        gone.view.reset();
    }
    AuthView::postDemoForgotPassword();
    Form::settle();
    for (Form* form : {&first, &second})
        EXPECT_EQ(form->view->model().error(), u"Enter your email above, then choose Forgot password."_s);
}
