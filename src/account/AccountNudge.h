#pragma once

#include <QDateTime>
#include <QString>

class Prefs;
class Store;

// When to invite a signed-out user to sign in so the app list is backed up, and the card's
// two answers. Declining keeps it away for a week; the third refusal for good.
namespace AccountNudge {

inline const QString title = QStringLiteral("Back up your app list");
inline const QString text = QStringLiteral("Sign in and a new Mac can put all your apps back.");
inline const QString notNowTitle = QStringLiteral("Not Now");
inline const QString signInTitle = QStringLiteral("Sign In");
inline const QString symbol = QStringLiteral("icloud.and.arrow.up");

// A back end, nobody signed in, onboarding done, fewer than 3 refusals and more than a week
// since the last one.
bool wanted(const Store& store, const Prefs& prefs, const QDateTime& now);
// wanted, and not on the library filter, which offers sign-in itself.
bool shouldShow(const Store& store, const Prefs& prefs, const QDateTime& now);

// "Not Now": one more refusal, now.
void notNow(Prefs& prefs, const QDateTime& now);
// "Sign In": the library screen, with its sign-in form.
void signIn(Store& store);

} // namespace AccountNudge
