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

#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

QJsonObject tokens() {
    return {{u"localId"_s, u"uid-9"_s},
            {u"idToken"_s, u"id-9"_s},
            {u"refreshToken"_s, u"refresh-9"_s},
            {u"email"_s, u"ada@example.com"_s},
            {u"expiresIn"_s, u"3600"_s}};
}
const QJsonObject lookedUp{
    {u"users"_s, QJsonArray{QJsonObject{{u"displayName"_s, u"Ada L."_s}, {u"emailVerified"_s, true}}}}};

// The service's answers for one case: a method and its reply, or the error code it fails with.
struct Answer {
    const char* method;
    const char* failure = nullptr;
};

QCoro::Task<QString> googleAnswer(std::exception_ptr failure) {
    if (failure)
        std::rethrow_exception(failure);
    co_return u"google-token"_s;
}

// A store with the fake service as its back end, and a filled-in card.
struct Card {
    explicit Card(bool creating, std::exception_ptr google = {}) {
        CloudConfig config = server.config();
        config.googleClientID = u"123-abc.apps.googleusercontent.com"_s;
        harness.cloud = config;
        harness.build().setCreatingAccount(creating);
        vm = std::make_unique<AuthViewModel>(harness.store(), [google](QString) { return googleAnswer(google); });
        vm->setEmail(u"ada@example.com"_s);
        vm->setPassword(u"secret1"_s);
        vm->setName(u"  Ada Lovelace\t"_s);
        vm->setAgreed(true);
    }
    void answer(const std::vector<Answer>& answers) {
        for (const auto& a : answers) {
            if (a.failure)
                server.fail(a.method, a.failure, 400);
            else
                server.answerJson(a.method, a.method == std::string("lookup") ? lookedUp : tokens());
        }
    }
    QStringList methods() {
        QStringList out;
        for (const auto& call : server.calls())
            out.append(QString::fromStdString(call.target).section(u':', -1).section(u'?', 0, 0));
        return out;
    }
    Store& store() { return harness.store(); }

    FakeIdentity server;
    StoreHarness harness;
    std::unique_ptr<AuthViewModel> vm;
};

} // namespace

// The whole text must be one address: one "@", a dot after it, no blank anywhere.
TEST(AuthFormRules, EmailValidOverTheWholeText) {
    const std::pair<QString, bool> cases[] = {
        {u"a@b.c"_s, true},    {u"a@b.c."_s, true},       {u"ada.l@mail.example.org"_s, true},
        {u"a@b"_s, false},     {u"a@.c"_s, false},        {u"a@b."_s, false},
        {u" a@b.c"_s, false},  {u"a@b.c "_s, false},      {u"a @b.c"_s, false},
        {u"a@b.c\n"_s, false}, {u"a@b.c\u00a0"_s, false}, {u"a@b@c.d"_s, false},
        {u"@b.c"_s, false},
    };
    for (const auto& [email, valid] : cases)
        EXPECT_EQ(AuthViewModel::emailValid(email), valid) << email.toStdString();
}

// In order: address, six user-perceived characters, a name when creating (trimmed of spaces and
// tabs only), the terms, not busy.
TEST(AuthFormRules, CanSubmitNeedsEveryCondition) {
    const struct {
        bool creating;
        QString email, password, name;
        bool agreed, can;
    } cases[] = {
        {false, u"ada@example.com"_s, u"abcdef"_s, u""_s, true, true},
        {false, u"ada@example.com"_s, u"abcde"_s, u""_s, true, false},
        {false, u"ada@example"_s, u"abcdef"_s, u""_s, true, false},
        {false, u"ada@example.com"_s, u"abcdef"_s, u""_s, false, false},
        {true, u"ada@example.com"_s, u"\U0001F469\u200D\U0001F469\u200D\U0001F467abcde"_s, u"Ada"_s, true, true},
        {true, u"ada@example.com"_s, u"e\u0301abcd"_s, u"Ada"_s, true, false},
        {true, u"ada@example.com"_s, u"abcdef"_s, u" \t "_s, true, false},
        {true, u"ada@example.com"_s, u"abcdef"_s, u"\n"_s, true, true},
    };
    for (const auto& c : cases) {
        Card card(c.creating);
        card.vm->setEmail(c.email);
        card.vm->setPassword(c.password);
        card.vm->setName(c.name);
        card.vm->setAgreed(c.agreed);
        EXPECT_EQ(card.vm->canSubmit(), c.can) << c.password.toStdString() << " / " << c.name.toStdString();
        EXPECT_EQ(card.vm->passwordHint().good, AuthViewModel::graphemes(c.password) >= 6);
        EXPECT_EQ(card.vm->agreementHint().isEmpty(), c.agreed);
    }
}

// Both modes end signed in with their follow-up calls; only the first call's failure is shown.
TEST(AuthForm, SubmitRunsTheFlowOfItsModeAndIgnoresTheFollowUpFailures) {
    const struct {
        const char* what;
        bool creating;
        std::vector<Answer> answers;
        QStringList calls;
        std::optional<QString> error, name;
        std::optional<bool> verified;
    } cases[] = {
        // The sync after a sign-in first asks whether an unconfirmed address was confirmed.
        {"sign-up",
         true,
         {{"signUp"}, {"sendOobCode"}, {"update"}},
         {u"signUp"_s, u"sendOobCode"_s, u"update"_s, u"lookup"_s},
         std::nullopt,
         u"Ada Lovelace"_s,
         false},
        {"sign-up, mail and name refused",
         true,
         {{"signUp"}, {"sendOobCode", "TOO_MANY_ATTEMPTS_TRY_LATER"}, {"update", "INTERNAL"}},
         {u"signUp"_s, u"sendOobCode"_s, u"update"_s, u"lookup"_s},
         std::nullopt,
         u"Ada Lovelace"_s,
         false},
        {"sign-up refused",
         true,
         {{"signUp", "EMAIL_EXISTS"}},
         {u"signUp"_s},
         u"That email can't be used for a new account. Sign in instead, or use another email."_s,
         {},
         {}},
        {"sign-in",
         false,
         {{"signInWithPassword"}, {"lookup"}},
         {u"signInWithPassword"_s, u"lookup"_s},
         std::nullopt,
         u"Ada L."_s,
         true},
        {"sign-in, lookup fails",
         false,
         {{"signInWithPassword"}, {"lookup", "INTERNAL"}},
         {u"signInWithPassword"_s, u"lookup"_s, u"lookup"_s},
         std::nullopt,
         std::nullopt,
         std::nullopt},
        {"wrong password",
         false,
         {{"signInWithPassword", "INVALID_LOGIN_CREDENTIALS"}},
         {u"signInWithPassword"_s},
         u"That email and password don't match."_s,
         {},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Card card(c.creating);
        card.answer(c.answers);
        runSync(card.vm->submit());
        EXPECT_EQ(card.methods(), c.calls);
        for (const auto& call : card.server.calls())
            if (call.target.find("accounts:update") != std::string::npos) { // sent without its blanks
                EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(call.body))[u"displayName"_s],
                          u"Ada Lovelace"_s);
            }
        EXPECT_EQ(card.vm->error(), c.error);
        EXPECT_FALSE(card.vm->busy());
        EXPECT_EQ(card.vm->password(), c.error ? u"secret1"_s : QString());
        EXPECT_EQ(card.store().confirmationSentAt().has_value(), c.creating && !c.error);
        EXPECT_EQ(card.harness.librarySyncs, c.error ? 0 : 1);
        ASSERT_EQ(card.store().session().has_value(), !c.error);
        if (card.store().session()) {
            EXPECT_EQ(card.store().session()->name, c.name);
            EXPECT_EQ(card.store().session()->emailVerified, c.verified);
            EXPECT_EQ(card.harness.savedSession, card.store().session());
        }
    }
}

// A mode switch while the request runs changes neither the flow nor the resend wait.
TEST(AuthForm, SubmitKeepsTheModeItStartedIn) {
    for (const bool creating : {true, false}) {
        Card card(creating);
        // The sync's confirmation lookup fails after a sign-up, so its flow's answer shows.
        card.answer({creating ? Answer{"lookup", "INTERNAL"} : Answer{"lookup"}});
        card.server.answer(
            creating ? "signUp" : "signInWithPassword",
            {200, QJsonDocument(tokens()).toJson().toStdString(), "application/json", std::chrono::milliseconds(300)});
        auto done = card.harness.start(card.vm->submit());
        card.vm->switchMode(!creating);
        ASSERT_TRUE(waitUntil([&] { return *done; }));
        EXPECT_EQ(card.store().confirmationSentAt().has_value(), creating);
        ASSERT_TRUE(card.store().session());
        EXPECT_EQ(card.store().session()->emailVerified, !creating); // the first mode's flow ran
    }
}

// The same sentence whether or not the address has an account.
TEST(AuthForm, ResetSaysTheSameWhetherOrNotTheAccountExists) {
    const struct {
        QString email;
        const char* failure;
        std::optional<QString> error, info;
    } cases[] = {
        {u"ada@example"_s, nullptr, u"Enter your email above, then choose Forgot password."_s, std::nullopt},
        {u"ada@example.com"_s, nullptr, std::nullopt,
         u"If \u2068ada@example.com\u2069 has an account, a reset link is on its way."_s},
        {u"ada@example.com"_s, "EMAIL_NOT_FOUND", std::nullopt,
         u"If \u2068ada@example.com\u2069 has an account, a reset link is on its way."_s},
        {u"ada@example.com"_s, "TOO_MANY_ATTEMPTS_TRY_LATER", u"Too many attempts. Wait a few minutes and try again."_s,
         std::nullopt},
    };
    for (const auto& c : cases) {
        Card card(false);
        card.answer({{"sendOobCode", c.failure}});
        card.vm->setEmail(c.email);
        runSync(card.vm->reset());
        EXPECT_EQ(std::pair(card.vm->error(), card.vm->info()), std::pair(c.error, c.info));
        EXPECT_EQ(card.vm->focus(), c.info || c.failure ? std::nullopt : std::optional(AuthViewModel::Field::email));
        EXPECT_FALSE(card.vm->busy());
    }
}

// A closed web sheet is silent; any other failure is shown; a token ends signed in with Google.
TEST(AuthForm, GoogleSignInEndsSignedInOrSaysWhyUnlessCancelled) {
    const struct {
        std::exception_ptr google;
        std::optional<QString> error;
    } cases[] = {
        {nullptr, std::nullopt},
        {std::make_exception_ptr(Cancelled()), std::nullopt},
        {std::make_exception_ptr(AuthError(u"Google sign-in isn't switched on for Quenlark yet."_s)),
         u"Google sign-in isn't switched on for Quenlark yet."_s},
    };
    for (const auto& c : cases) {
        Card card(true, c.google);
        card.answer({{"signInWithIdp"}});
        runSync(card.vm->signInWithGoogle());
        EXPECT_EQ(card.vm->error(), c.error);
        EXPECT_FALSE(card.vm->busy());
        EXPECT_EQ(card.store().session() ? card.store().session()->provider : QString(),
                  c.google ? QString() : u"google.com"_s);
        EXPECT_EQ(card.vm->password(), u"secret1"_s);
    }
}

TEST(AuthFormRules, EachModeHasItsTexts) {
    const auto texts = [](const AuthViewModel::Mode& m) {
        return QStringList{m.heading, m.googleTitle, m.primaryTitle, m.footerLink, m.pitchTitle, m.passwordContentType};
    };
    EXPECT_EQ(texts(AuthViewModel::mode(false)),
              QStringList({u"Sign in to Quenlark"_s, u"Continue with Google"_s, u"Sign In"_s,
                           u"New here? Create an account"_s, u"Welcome\nback"_s, u"NSTextContentTypePassword"_s}));
    EXPECT_EQ(
        texts(AuthViewModel::mode(true)),
        QStringList({u"Create your account"_s, u"Sign up with Google"_s, u"Create Account"_s,
                     u"Have an account? Sign in"_s, u"Make Quenlark\nyours"_s, u"NSTextContentTypeNewPassword"_s}));
}

// Without a back end the network actions do nothing at all; the mode switch and the e-mail
// check of "Forgot password?" still react.
TEST(AuthForm, WithoutABackEndOnlyTheModeSwitchAndTheEmailCheckReact) {
    StoreHarness h;
    Store& store = h.build();
    AuthViewModel vm(store, [](QString) { return googleAnswer(nullptr); });
    vm.setEmail(u"ada@example.com"_s);
    vm.setPassword(u"secret1"_s);
    vm.setAgreed(true);
    EXPECT_TRUE(vm.canSubmit());
    EXPECT_FALSE(vm.showsGoogle());
    runSync(vm.submit());
    runSync(vm.reset());
    runSync(vm.signInWithGoogle());
    EXPECT_EQ(std::tuple(vm.busy(), vm.error(), vm.info(), vm.password()),
              std::tuple(false, std::optional<QString>(), std::optional<QString>(), u"secret1"_s));
    EXPECT_FALSE(store.session());

    vm.setEmail(u"ada"_s);
    runSync(vm.reset());
    EXPECT_EQ(vm.error(), u"Enter your email above, then choose Forgot password."_s);
    vm.switchMode(true);
    EXPECT_EQ(std::tuple(store.creatingAccount(), vm.error(), vm.focus()),
              std::tuple(true, std::optional<QString>(), std::optional(AuthViewModel::Field::name)));
}
