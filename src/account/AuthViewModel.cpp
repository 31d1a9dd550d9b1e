#include "account/AuthViewModel.h"

#include "account/Auth.h"
#include "runtime/Clock.h"
#include "runtime/Describe.h"
#include "runtime/MainThread.h"
#include "runtime/OutsideText.h"
#include "store/Store.h"

#include <QPointer>
#include <QRegularExpression>
#include <QTextBoundaryFinder>

#include <exception>

using namespace Qt::Literals::StringLiterals;

namespace {

QString trimmedOfBlanks(const QString& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (from < to && blank(text.at(from)))
        ++from;
    while (to > from && blank(text.at(to - 1)))
        --to;
    return text.sliced(from, to - from);
}

} // namespace

const AuthViewModel::Mode& AuthViewModel::mode(bool creating) {
    static const Mode signIn{
        .heading = u"Sign in to Quenlark"_s,
        .googleTitle = u"Continue with Google"_s,
        .primaryTitle = u"Sign In"_s,
        .footerLink = u"New here? Create an account"_s,
        .pitchTitle = u"Welcome\nback"_s,
        .passwordContentType = u"NSTextContentTypePassword"_s,
        .nameField = false,
        .passwordHint = false,
        .forgotPassword = true,
    };
    static const Mode create{
        .heading = u"Create your account"_s,
        .googleTitle = u"Sign up with Google"_s,
        .primaryTitle = u"Create Account"_s,
        .footerLink = u"Have an account? Sign in"_s,
        .pitchTitle = u"Make Quenlark\nyours"_s,
        .passwordContentType = u"NSTextContentTypeNewPassword"_s,
        .nameField = true,
        .passwordHint = true,
        .forgotPassword = false,
    };
    return creating ? create : signIn;
}

AuthViewModel::AuthViewModel(Store& store, GoogleToken googleToken, QObject* parent)
    : QObject(parent), store_(store), googleToken_(std::move(googleToken)) {
    watchedCreating_ = store_.creatingAccount();
    watchMode();
}

AuthViewModel::~AuthViewModel() {
    if (modeWatch_)
        Observation::cancel(modeWatch_);
}

// A change of mode from anywhere clears both lines, as switching here does.
void AuthViewModel::watchMode() {
    modeWatch_ = Observation::track([this] { (void)store_.creatingAccount(); },
                                    [this] {
                                        const bool creating = store_.creatingAccount();
                                        if (creating != watchedCreating_) {
                                            watchedCreating_ = creating;
                                            setError(std::nullopt);
                                            setInfo(std::nullopt);
                                        }
                                        watchMode();
                                    },
                                    this);
}

bool AuthViewModel::emailValid(const QString& email) {
    // Anchored at both ends of the text: a plain `$` would also match before a final line break.
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(u"[^@\\s]+@[^@\\s]+\\.[^@\\s]+"_s),
        QRegularExpression::UseUnicodePropertiesOption); // blanks as Unicode counts them
    return pattern.match(email).hasMatch();
}

int AuthViewModel::graphemes(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

const AuthViewModel::Mode& AuthViewModel::mode() const { return mode(store_.creatingAccount()); }

QString AuthViewModel::agreementHint() const {
    if (agreed())
        return {};
    return tr("%1 needs your agreement to the Terms of Service and Privacy Policy above.").arg(mode().primaryTitle);
}

bool AuthViewModel::canSubmit() const {
    if (!emailValid())
        return false;
    if (graphemes(password()) < 6)
        return false;
    if (store_.creatingAccount() && trimmedOfBlanks(name()).isEmpty())
        return false;
    if (!agreed())
        return false;
    return !busy();
}

AuthViewModel::Hint AuthViewModel::passwordHint() const {
    if (graphemes(password()) < 6)
        return {u"At least 6 characters"_s, u"circle"_s, false};
    return {u"Password looks good"_s, u"checkmark.circle.fill"_s, true};
}

bool AuthViewModel::showsGoogle() const {
    const auto& cloud = store_.cloud();
    return cloud && !cloud->googleClientID.isEmpty();
}

void AuthViewModel::switchMode(bool creating) {
    QL_ASSERT_MAIN_THREAD();
    store_.setCreatingAccount(creating);
    watchedCreating_ = creating;
    setError(std::nullopt);
    setInfo(std::nullopt);
    setFocus(creating ? Field::name : Field::email);
}

QCoro::Task<void> AuthViewModel::submit() {
    QL_ASSERT_MAIN_THREAD();
    if (!canSubmit() || !store_.cloud())
        co_return;
    const CloudConfig config = *store_.cloud();
    Store* store = &store_;
    QPointer<AuthViewModel> self(this); // the card goes once the store has a session
    // The flow belongs to the mode it started in: switching during the request neither starts
    // nor skips the resend wait of a new account.
    const bool creating = store->creatingAccount();
    const QString email = this->email();
    const QString password = this->password();
    setBusy(true);
    setError(std::nullopt);
    setInfo(std::nullopt);

    Session session;
    std::exception_ptr failure;
    try {
        if (creating)
            session = co_await Auth::signUp(email, password, config);
        else
            session = co_await Auth::signIn(email, password, config);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        if (self) {
            setError(describe(failure));
            setBusy(false);
        }
        co_return;
    }

    if (creating) {
        try {
            co_await Auth::sendEmailConfirmation(session, config);
        } catch (...) {
            // The account exists; the confirm tile can send the mail again.
        }
        const QString name = self ? this->name().trimmed() : QString();
        if (!name.isEmpty()) {
            try {
                co_await Auth::updateName(name, session, config);
            } catch (...) {
                // The typed name is kept in the session all the same.
            }
            session.name = name;
        }
    } else {
        try {
            const Auth::Profile profile = co_await Auth::profile(session, config);
            if (!session.name)
                session.name = profile.name;
            session.emailVerified = profile.verified;
        } catch (...) {
            // The session stays as the sign-in gave it.
        }
    }

    if (self)
        setPassword(QString());
    if (creating)
        store->setConfirmationSentAt(Clock::shared().now());
    co_await store->signedIn(session);
    if (self)
        setBusy(false);
}

QCoro::Task<void> AuthViewModel::reset() {
    QL_ASSERT_MAIN_THREAD();
    if (!emailValid()) {
        setInfo(std::nullopt);
        setError(u"Enter your email above, then choose Forgot password."_s);
        setFocus(Field::email);
        co_return;
    }
    if (!store_.cloud())
        co_return;
    const CloudConfig config = *store_.cloud();
    QPointer<AuthViewModel> self(this);
    const QString email = this->email();
    setBusy(true);
    setError(std::nullopt);
    std::exception_ptr failure;
    try {
        co_await Auth::sendPasswordReset(email, config);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;
    if (failure)
        setError(describe(failure));
    else
        setInfo(u"If "_s + OutsideText::isolated(email) + u" has an account, a reset link is on its way."_s);
    setBusy(false);
}

QCoro::Task<void> AuthViewModel::signInWithGoogle() {
    QL_ASSERT_MAIN_THREAD();
    if (!store_.cloud() || busy() || !agreed())
        co_return;
    const CloudConfig config = *store_.cloud();
    Store* store = &store_;
    QPointer<AuthViewModel> self(this);
    setBusy(true);
    setError(std::nullopt);

    Session session;
    std::exception_ptr failure;
    try {
        // Built step by step: GCC 12 mishandles an aggregate braced from, or inside, a co_await.
        Auth::GoogleIDToken token;
        token.value = co_await googleToken_(config.googleClientID);
        session = co_await Auth::signIn(token, config);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        if (self) {
            if (!isCancellation(failure))
                setError(describe(failure));
            setBusy(false);
        }
        co_return;
    }
    co_await store->signedIn(session);
    if (self)
        setBusy(false);
}
