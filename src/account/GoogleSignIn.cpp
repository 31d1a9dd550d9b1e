#include "account/GoogleSignIn.h"

#include "account/Auth.h"
#include "account/Pkce.h"
#include "model/Launch.h"
#include "platform/desktop/SchemeHandler.h"
#include "platform/desktop/Workspace.h"
#include "runtime/AuthError.h"
#include "runtime/CancelToken.h"
#include "runtime/Cancelled.h"
#include "runtime/Clock.h"
#include "runtime/MainThread.h"
#include "sources/Net.h"
#include "store/CloudConfig.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrlQuery>

#include <optional>

using namespace Qt::Literals::StringLiterals;

// One sign-in waiting for the browser: what it waits for and how it is woken.
struct GoogleSignIn::Wait {
    QString scheme;
    QString state;
    CancelToken token;
    std::optional<QUrl> redirect;
};

namespace {

// The sign-in that receives redirects: the last one started.
std::weak_ptr<GoogleSignIn::Wait>& waiting() {
    static std::weak_ptr<GoogleSignIn::Wait> value;
    return value;
}

QString firstValue(const QUrlQuery& query, const QString& key) {
    const auto items = query.queryItems(QUrl::FullyDecoded);
    for (const auto& [name, value] : items)
        if (name == key)
            return value;
    return {};
}

} // namespace

GoogleSignIn::Sheet::~Sheet() = default;

GoogleSignIn::Endpoints GoogleSignIn::Endpoints::google() {
    return {QUrl(u"https://accounts.google.com/o/oauth2/v2/auth"_s), QUrl(u"https://oauth2.googleapis.com/token"_s)};
}

GoogleSignIn::GoogleSignIn(Sheet* sheet, Endpoints endpoints, QObject* parent)
    : QObject(parent), sheet_(sheet), endpoints_(std::move(endpoints)) {}

GoogleSignIn::~GoogleSignIn() { cancel(); }

void GoogleSignIn::cancel() {
    if (wait_)
        wait_->token.cancel();
}

bool GoogleSignIn::handleRedirect(const QUrl& url) {
    QL_ASSERT_MAIN_THREAD();
    const auto wait = waiting().lock();
    if (!wait || wait->redirect || wait->token.isCancelled())
        return false;
    // Any program may launch us with an address of this scheme: one that does not carry this
    // sign-in's state is not its answer, and the sign-in keeps waiting for the browser's.
    if (!answers(url, wait->scheme, wait->state))
        return false;
    wait->redirect = url;
    wait->token.cancel(); // wakes the sign-in from its wait
    return true;
}

bool GoogleSignIn::answers(const QUrl& url, const QString& scheme, const QString& state) {
    return url.isValid() && url.scheme().compare(scheme, Qt::CaseInsensitive) == 0 && !state.isEmpty() &&
           firstValue(QUrlQuery(url), u"state"_s) == state;
}

QString GoogleSignIn::code(const QUrl& redirect) { return firstValue(QUrlQuery(redirect), u"code"_s); }

QString GoogleSignIn::idTokenFrom(const QByteArray& answer) {
    // Whatever the status: only an object with a token counts, and any other answer (an HTML
    // page of a proxy included) says the same to the user.
    const QJsonDocument document = QJsonDocument::fromJson(answer);
    const QJsonValue token = document.object().value(u"id_token"_s);
    if (!document.isObject() || !token.isString())
        throw AuthError(u"Google didn't return a sign-in token."_s);
    return token.toString();
}

void GoogleSignIn::forgetHandler(const QString& clientID) {
    if (CloudConfig::isGoogleClientID(clientID))
        SchemeHandler::remove(redirectScheme(clientID));
}

QString GoogleSignIn::redirectScheme(const QString& clientID) {
    QStringList parts = clientID.split(u'.');
    std::reverse(parts.begin(), parts.end());
    return parts.join(u'.');
}

QUrl GoogleSignIn::authorizationURL(const QUrl& endpoint, const QString& clientID, const QString& challenge,
                                    const QString& state) {
    QUrlQuery query;
    query.setQueryItems({
        {u"client_id"_s, clientID},
        {u"redirect_uri"_s, redirectScheme(clientID) + u":/oauth2redirect"_s},
        {u"response_type"_s, u"code"_s},
        {u"scope"_s, u"openid email profile"_s},
        {u"code_challenge"_s, challenge},
        {u"code_challenge_method"_s, u"S256"_s},
        {u"state"_s, state},
        {u"prompt"_s, u"select_account"_s},
    });
    QUrl url = endpoint;
    url.setQuery(query);
    return url;
}

QByteArray GoogleSignIn::exchangeBody(const QString& code, const QString& clientID, const QString& verifier) {
    const QPair<QString, QString> fields[] = {
        {u"code"_s, code},
        {u"client_id"_s, clientID},
        {u"redirect_uri"_s, redirectScheme(clientID) + u":/oauth2redirect"_s},
        {u"grant_type"_s, u"authorization_code"_s},
        {u"code_verifier"_s, verifier},
    };
    QByteArrayList parts;
    for (const auto& [name, value] : fields)
        parts << name.toUtf8() + '=' + QUrl::toPercentEncoding(value, {}, "-._~");
    return parts.join('&');
}

QCoro::Task<QString> GoogleSignIn::idToken(QString clientID) {
    QL_ASSERT_MAIN_THREAD();
    // The scheme the desktop hands to us comes from the id: only Google's own form may name it.
    if (!CloudConfig::isGoogleClientID(clientID))
        throw AuthError(u"Google sign-in isn't switched on for Quenlark yet."_s);
    const QString scheme = redirectScheme(clientID);
    const QString verifier = Pkce::random(48);
    const QString state = Pkce::random(16);
    const QUrl authorization = authorizationURL(endpoints_.authorization, clientID, Pkce::challenge(verifier), state);

    // The browser's redirect launches this program, which hands the address to the running
    // instance. The entry follows the program wherever it was started from.
    QStringList arguments;
    if (const auto& sandbox = Launch::sandbox())
        arguments << u"--sandbox"_s << *sandbox;
    if (!SchemeHandler::install(scheme, QCoreApplication::applicationFilePath(), arguments))
        throw AuthError(u"Google sign-in didn't finish."_s);

    cancel(); // a new sheet replaces the one before
    auto wait = std::make_shared<Wait>();
    wait->scheme = scheme;
    wait->state = state;
    wait_ = wait;
    waiting() = wait;
    if (!Workspace::open(authorization)) {
        SchemeHandler::remove(scheme);
        throw AuthError(u"Google sign-in didn't finish."_s);
    }

    QPointer<GoogleSignIn> self(this);
    Sheet* sheet = sheet_;
    if (sheet)
        sheet->present([self] {
            if (self)
                self->cancel();
        });
    co_await Clock::shared().sleep(waitLimit, wait->token);
    wait->token.cancel(); // a redirect arriving later finds nobody waiting
    // The desktop no longer needs to send us this scheme, unless a newer sign-in waits for it.
    if (waiting().lock() == wait)
        SchemeHandler::remove(scheme);
    if (self && sheet)
        sheet->dismiss();
    // Cancel and the time limit both end as the user's cancellation.
    if (!wait->redirect || !self)
        throw Cancelled();

    const QString code = GoogleSignIn::code(*wait->redirect);
    if (!answers(*wait->redirect, scheme, state) || code.isEmpty())
        throw AuthError(u"Google sign-in returned an unexpected answer."_s);

    const Net::Response response =
        co_await Net::send(Auth::credentialRequest(endpoints_.token, "application/x-www-form-urlencoded"), "POST",
                           exchangeBody(code, clientID, verifier));
    co_return idTokenFrom(response.body);
}
