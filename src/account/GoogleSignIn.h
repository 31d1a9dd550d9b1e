#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

// Obtains a Google ID token with the OAuth authorization-code flow and PKCE, in the system
// browser. The browser's redirect to the reversed-client-id scheme comes back through a desktop
// entry that launches the application with the address; the running instance receives it in
// handleRedirect(). A public client: there is no secret.
class GoogleSignIn : public QObject {
    Q_OBJECT
public:
    struct Endpoints {
        QUrl authorization;
        QUrl token;
        static Endpoints google();
    };

    // What stands for the platform's sign-in sheet while the browser has the user: shown with a
    // way to cancel, closed when the sign-in ends.
    class Sheet {
    public:
        virtual ~Sheet();
        virtual void present(std::function<void()> cancel) = 0;
        virtual void dismiss() = 0;
    };

    // How long the browser may take before the sign-in counts as cancelled.
    static constexpr std::chrono::minutes waitLimit{10};

    // `sheet` is not owned and must outlive the object (nullptr: nothing is shown).
    explicit GoogleSignIn(Sheet* sheet = nullptr, Endpoints endpoints = Endpoints::google(), QObject* parent = nullptr);
    ~GoogleSignIn() override;

    // The ID token for the user's choice of account. Cancel, or no redirect within waitLimit,
    // throws Cancelled, which is never shown.
    QCoro::Task<QString> idToken(QString clientID);

    // Ends a sign-in waiting for the browser as cancelled.
    void cancel();

    // Hands a redirect address to the sign-in waiting for its scheme; false when none waits.
    static bool handleRedirect(const QUrl& url);

    // Whether `url` answers the sign-in waiting for `scheme` with `state`: a valid address whose
    // scheme and first "state" item match. Anything else launching us with that scheme is ignored.
    static bool answers(const QUrl& url, const QString& scheme, const QString& state);
    // The first "code" item of a redirect ("" when none).
    static QString code(const QUrl& redirect);
    // The ID token of the code exchange's answer; AuthError for any other answer.
    static QString idTokenFrom(const QByteArray& answer);

    // Takes back the desktop's handler of the redirect scheme of `clientID`, which a sign-in
    // cut short (the program ended while it waited) may have left.
    static void forgetHandler(const QString& clientID);

    // The client id's dot-separated parts in reverse order.
    static QString redirectScheme(const QString& clientID);
    static QUrl authorizationURL(const QUrl& endpoint, const QString& clientID, const QString& challenge,
                                 const QString& state);
    // The code exchange's form body: every value percent-encoded but letters and digits.
    static QByteArray exchangeBody(const QString& code, const QString& clientID, const QString& verifier);

    struct Wait;

private:
    Sheet* sheet_;
    Endpoints endpoints_;
    std::shared_ptr<Wait> wait_; // the sign-in under way
};
