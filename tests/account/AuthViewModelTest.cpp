#include "account/AuthViewModel.h"
#include "runtime/AuthError.h"
#include "runtime/Cancelled.h"

#include "FakeIdentity.h"
#include "QtPrinters.h"
#include "RunSync.h"
#include "StoreHarness.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::Literals::StringLiterals;

namespace {

QJsonObject tokens() {
    return {{u"localId"_s, u"uid-9"_s},  {u"idToken"_s, u"id-9"_s},  {u"refreshToken"_s, u"refresh-9"_s},
            {u"email"_s, u"ada@example.com"_s}, {u"expiresIn"_s, u"3600"_s}};
}

QJsonObject lookup(const QString& name, bool verified) {
    return {{u"users"_s, QJsonArray{QJsonObject{{u"displayName"_s, name}, {u"emailVerified"_s, verified}}}}};
}

// What the Google step of the card gives: a token, a cancelled sheet or a failure.
enum class Google { token, cancelled, refused };
QCoro::Task<QString> googleAnswer(Google answer, QString* askedFor, QString clientID) {
    *askedFor = clientID;
    if (answer == Google::cancelled)
        throw Cancelled();
    if (answer == Google::refused)
        throw AuthError(u"Google sign-in isn't switched on for Quenlark yet."_s);
    co_return u"google-token"_s;
}

class AuthForm : public ::testing::Test {
protected:
    AuthForm() {
        CloudConfig config = fake.config();
        config.googleClientID = u"123-abc.apps.googleusercontent.com"_s;
        h.cloud = config;
        h.build();
    }
    std::unique_ptr<AuthViewModel> form(Google google = Google::token) {
        auto vm = std::make_unique<AuthViewModel>(
            h.store(), [this, google](QString id) { return googleAnswer(google, &clientAsked, std::move(id)); });
        vm->setEmail(u"ada@example.com"_s);
        vm->setPassword(u"secret1"_s);
        vm->setName(u"  Ada Lovelace\t"_s);
        vm->setAgreed(true);
        return vm;
    }
    FakeIdentity fake;
    StoreHarness h;
    QString clientAsked;
};

} // namespace

// The whole text must be one address: one "@", a dot after it, no blank anywhere.
TEST(AuthFormRules, EmailValidOverTheWholeText) {
    const struct {
        QString email;
        bool valid;
    } cases[] = {
        {u"a@b.c"_s, true},         {u"a@b.c."_s, true},          {u"ada.l@mail.example.org"_s, true},
        {u"a@b"_s, false},          {u"a@.c"_s, false},            {u"a@b."_s, false},
        {u" a@b.c"_s, false},       {u"a@b.c "_s, false},         {u"a @b.c"_s, false},
        {u"a@b.c\n"_s, false},      {u"a@b.c\u00a0"_s, false},    {u"a@b@c.d"_s, false},
        {u"@b.c"_s, false},         {u""_s, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AuthViewModel::emailValid(c.email), c.valid) << c.email.toStdString();
}

// Each condition in turn: address, six user-perceived characters, a name when creating (blanks
// are spaces and tabs only), the terms, not busy.
TEST_F(AuthForm, CanSubmitNeedsEveryConditionInEitherMode) {
    const struct {
        bool creating;
        QString email, password, name;
        bool agreed;
        bool can;
        QString hint;
    } cases[] = {
        {false, u"ada@example.com"_s, u"abcdef"_s, u""_s, true, true, u"Password looks good"_s},
        {false, u"ada@example.com"_s, u"abcde"_s, u""_s, true, false, u"At least 6 characters"_s},
        {false, u"ada@example"_s, u"abcdef"_s, u""_s, true, false, u"Password looks good"_s},
        {false, u"ada@example.com"_s, u"abcdef"_s, u""_s, false, false, u"Password looks good"_s},
        {true, u"ada@example.com"_s, u"\U0001F469\u200D\U0001F469\u200D\U0001F467abcde"_s, u"Ada"_s, true, true,
         u"Password looks good"_s},
        {true, u"ada@example.com"_s, u"e\u0301abcd"_s, u"Ada"_s, true, false, u"At least 6 characters"_s},
        {true, u"ada@example.com"_s, u"abcdef"_s, u" \t "_s, true, false, u"Password looks good"_s},
        {true, u"ada@example.com"_s, u"abcdef"_s, u"\n"_s, true, true, u"Password looks good"_s},
        {true, u"ada@example.com"_s, u"abcdef"_s, u"Ada"_s, false, false, u"Password looks good"_s},
    };
    for (const auto& c : cases) {
        h.store().setCreatingAccount(c.creating);
        auto vm = form();
        vm->setEmail(c.email);
        vm->setPassword(c.password);
        vm->setName(c.name);
        vm->setAgreed(c.agreed);
        EXPECT_EQ(vm->canSubmit(), c.can) << c.password.toStdString() << " / " << c.name.toStdString();
        EXPECT_EQ(vm->passwordHint().text, c.hint);
    }
}

TEST(AuthFormRules, EachModeHasItsTexts) {
    const auto& in = AuthViewModel::mode(false);
    const auto& up = AuthViewModel::mode(true);
    EXPECT_EQ(QStringList({in.heading, in.googleTitle, in.primaryTitle, in.footerLink, in.pitchTitle}),
              QStringList({u"Sign in to Quenlark"_s, u"Continue with Google"_s, u"Sign In"_s,
                           u"New here? Create an account"_s, u"Welcome\nback"_s}));
    EXPECT_EQ(QStringList({up.heading, up.googleTitle, up.primaryTitle, up.footerLink, up.pitchTitle}),
              QStringList({u"Create your account"_s, u"Sign up with Google"_s, u"Create Account"_s,
                           u"Have an account? Sign in"_s, u"Make Quenlark\nyours"_s}));
    EXPECT_TRUE(up.nameField && up.passwordHint && !up.forgotPassword);
    EXPECT_TRUE(!in.nameField && !in.passwordHint && in.forgotPassword);
}

// Both modes end signed in; the follow-up calls' failures are ignored, the first call's is shown.
TEST_F(AuthForm, SubmitRunsTheFlowOfItsModeAndIgnoresTheFollowUpFailures) {
    const struct {
        const char* what;
        bool creating;
        std::function<void(FakeIdentity&)> server;
        QStringList calls;
        std::optional<QString> error;
        std::optional<QString> name;
        std::optional<bool> verified;
        bool waitStarted;
    } cases[] = {
        {"sign-up", true,
         [](FakeIdentity& f) {
             f.answerJson("signUp", tokens());
             f.answerJson("sendOobCode", {});
             f.answerJson("update", {});
         },
         {u"signUp"_s, u"sendOobCode"_s, u"update"_s}, std::nullopt, u"Ada Lovelace"_s, false, true},
        {"sign-up, mail and name refused", true,
         [](FakeIdentity& f) {
             f.answerJson("signUp", tokens());
             f.fail("sendOobCode", "TOO_MANY_ATTEMPTS_TRY_LATER");
             f.answer("update", {500, "<html>oops</html>", "text/html"});
         },
         {u"signUp"_s, u"sendOobCode"_s, u"update"_s}, std::nullopt, u"Ada Lovelace"_s, false, true},
        {"sign-up refused", true, [](FakeIdentity& f) { f.fail("signUp", "EMAIL_EXISTS"); }, {u"signUp"_s},
         u"That email can't be used for a new account. Sign in instead, or use another email."_s, std::nullopt, std::nullopt, false},
        {"sign-in", false,
         [](FakeIdentity& f) {
             f.answerJson("signInWithPassword", tokens());
             f.answerJson("lookup", lookup(u"Ada L."_s, true));
         },
         {u"signInWithPassword"_s, u"lookup"_s}, std::nullopt, u"Ada L."_s, true, false},
        {"sign-in, lookup fails", false,
         [](FakeIdentity& f) {
             f.answerJson("signInWithPassword", tokens());
             f.fail("lookup", "INTERNAL", 500);
         },
         {u"signInWithPassword"_s, u"lookup"_s}, std::nullopt, std::nullopt, std::nullopt, false},
        {"wrong password", false, [](FakeIdentity& f) { f.fail("signInWithPassword", "INVALID_LOGIN_CREDENTIALS"); },
         {u"signInWithPassword"_s}, u"That email and password don't match."_s, std::nullopt, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeIdentity server;
        CloudConfig config = server.config();
        StoreHarness harness;
        harness.cloud = config;
        Store& store = harness.build();
        store.setCreatingAccount(c.creating);
        c.server(server);
        AuthViewModel vm(store, {});
        vm.setEmail(u"ada@example.com"_s);
        vm.setPassword(u"secret1"_s);
        vm.setName(u"  Ada Lovelace\t"_s);
        vm.setAgreed(true);

        runSync(vm.submit());

        QStringList calls;
        for (const auto& call : server.calls()) {
            calls.append(QString::fromStdString(call.target).section(u':', -1).section(u'?', 0, 0));
            if (calls.last() == u"update"_s) { // the name as typed, without its blanks
                EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(call.body))[u"displayName"_s],
                          u"Ada Lovelace"_s);
            }
        }
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(vm.error(), c.error);
        EXPECT_FALSE(vm.busy());
        EXPECT_EQ(vm.password(), c.error ? u"secret1"_s : QString());
        EXPECT_EQ(vm.email(), u"ada@example.com"_s);
        EXPECT_EQ(store.confirmationSentAt().has_value(), c.waitStarted);
        EXPECT_EQ(store.session().has_value(), !c.error);
        EXPECT_EQ(harness.librarySyncs, c.error ? 0 : 1);
        if (store.session()) {
            EXPECT_EQ(store.session()->name, c.name);
            EXPECT_EQ(store.session()->emailVerified, c.verified);
            EXPECT_EQ(harness.savedSession, store.session());
        }
    }
}

// A mode switch while the request runs changes neither which flow runs nor the resend wait.
TEST_F(AuthForm, SubmitKeepsTheModeItStartedIn) {
    for (const bool creating : {true, false}) {
        SCOPED_TRACE(creating ? "created, then switched" : "signed in, then switched");
        FakeIdentity server;
        StoreHarness harness;
        harness.cloud = server.config();
        Store& store = harness.build();
        store.setCreatingAccount(creating);
        server.answer(creating ? "signUp" : "signInWithPassword",
                      {200, QJsonDocument(tokens()).toJson().toStdString(), "application/json",
                       std::chrono::milliseconds(300)});
        server.answerJson("lookup", lookup(u"Ada"_s, true));
        AuthViewModel vm(store, {});
        vm.setEmail(u"ada@example.com"_s);
        vm.setPassword(u"secret1"_s);
        vm.setName(u"Ada"_s);
        vm.setAgreed(true);

        auto done = harness.start(vm.submit());
        vm.switchMode(!creating);
        ASSERT_TRUE(waitUntil([&] { return *done; }));

        EXPECT_EQ(store.confirmationSentAt().has_value(), creating);
        ASSERT_TRUE(store.session());
        EXPECT_EQ(store.session()->emailVerified, !creating); // the flow of the first mode ran
    }
}

TEST_F(AuthForm, SwitchingClearsBothLinesAndMovesTheFocus) {
    auto vm = form();
    vm->setEmail(u"nobody"_s);
    runSync(vm->reset());
    ASSERT_TRUE(vm->error());
    vm->switchMode(true);
    EXPECT_EQ(vm->error(), std::nullopt);
    EXPECT_EQ(vm->focus(), AuthViewModel::Field::name);
    vm->switchMode(false);
    EXPECT_EQ(vm->focus(), AuthViewModel::Field::email);
    // A change made elsewhere clears them as well.
    runSync(vm->reset());
    h.store().setCreatingAccount(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(vm->error(), std::nullopt);
}

// The same sentence whether or not the address has an account; a failure hides the earlier one.
TEST_F(AuthForm, ResetSaysTheSameWhetherOrNotTheAccountExists) {
    const QString sent = u"If ada@example.com has an account, a reset link is on its way."_s;
    const struct {
        QString email;
        bool sentBefore; // an earlier reset of this card succeeded
        std::function<void(FakeIdentity&)> server;
        std::optional<QString> error, info;
        size_t calls;
    } cases[] = {
        {u"ada@example"_s, false, [](FakeIdentity&) {}, u"Enter your email above, then choose Forgot password."_s,
         std::nullopt, 0},
        {u"ada@example.com"_s, false, [](FakeIdentity& f) { f.answerJson("sendOobCode", {}); }, std::nullopt, sent, 1},
        {u"ada@example.com"_s, false, [](FakeIdentity& f) { f.fail("sendOobCode", "EMAIL_NOT_FOUND"); },
         std::nullopt, sent, 1},
        {u"ada@example.com"_s, true, [](FakeIdentity& f) { f.fail("sendOobCode", "TOO_MANY_ATTEMPTS_TRY_LATER"); },
         u"Too many attempts. Wait a few minutes and try again."_s, sent, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.email.toStdString());
        FakeIdentity server;
        StoreHarness harness;
        harness.cloud = server.config();
        AuthViewModel vm(harness.build(), {});
        vm.setEmail(c.email);
        if (c.sentBefore) {
            server.answerJson("sendOobCode", {});
            runSync(vm.reset());
        }
        c.server(server);
        runSync(vm.reset());
        EXPECT_EQ(vm.error(), c.error);
        EXPECT_EQ(vm.info(), c.info);
        EXPECT_EQ(vm.focus(), c.calls ? std::nullopt : std::optional(AuthViewModel::Field::email));
        EXPECT_FALSE(vm.busy());
        EXPECT_EQ(server.calls().size(), c.calls);
    }
}

// A closed web sheet is silent; any other failure is shown; a token ends signed in with Google.
TEST_F(AuthForm, GoogleSignInEndsSignedInOrSaysWhyUnlessCancelled) {
    const struct {
        Google google;
        std::optional<QString> error;
        bool signedIn;
    } cases[] = {
        {Google::token, std::nullopt, true},
        {Google::cancelled, std::nullopt, false},
        {Google::refused, u"Google sign-in isn't switched on for Quenlark yet."_s, false},
    };
    fake.answerJson("signInWithIdp", tokens());
    for (const auto& c : cases) {
        h.store().setSession(std::nullopt);
        auto vm = form(c.google);
        vm->setEmail(u"nobody"_s); // the Google flow needs no address
        runSync(vm->signInWithGoogle());
        EXPECT_EQ(vm->error(), c.error);
        EXPECT_FALSE(vm->busy());
        EXPECT_EQ(clientAsked, u"123-abc.apps.googleusercontent.com"_s);
        EXPECT_EQ(h.store().session().has_value(), c.signedIn);
        if (c.signedIn) {
            EXPECT_EQ(h.store().session()->provider, u"google.com"_s);
        }
    }
    // Without the terms agreed nothing starts.
    clientAsked.clear();
    auto vm = form();
    vm->setAgreed(false);
    runSync(vm->signInWithGoogle());
    EXPECT_TRUE(clientAsked.isEmpty());
    EXPECT_FALSE(vm->googleEnabled());
    EXPECT_EQ(vm->googleOpacity(), 0.5);
}

// Without a back end the network actions do nothing; the e-mail check still answers.
TEST(AuthFormRules, WithoutABackEndOnlyTheAddressCheckReacts) {
    StoreHarness harness;
    AuthViewModel vm(harness.build(), {});
    vm.setEmail(u"ada@example.com"_s);
    vm.setPassword(u"secret1"_s);
    vm.setAgreed(true);
    runSync(vm.submit());
    runSync(vm.reset());
    runSync(vm.signInWithGoogle());
    EXPECT_FALSE(vm.showsGoogle());
    EXPECT_EQ(vm.error(), std::nullopt);
    EXPECT_EQ(vm.info(), std::nullopt);
    EXPECT_EQ(vm.password(), u"secret1"_s);
    vm.setEmail(u"ada"_s);
    runSync(vm.reset());
    EXPECT_EQ(vm.error(), u"Enter your email above, then choose Forgot password."_s);
}
