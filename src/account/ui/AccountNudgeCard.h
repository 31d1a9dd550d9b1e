#pragma once

#include "account/ui/TintedCard.h"

class AccountButton;
class Prefs;
class Store;

// The card in the list of applications inviting a signed-out user to sign in so the app list
// is backed up: "Not Now" declines for a week, "Sign In" opens the library with its form. The
// list shows it while AccountNudge::shouldShow says so.
class AccountNudgeCard : public TintedCard {
    Q_OBJECT
public:
    AccountNudgeCard(Store& store, Prefs& prefs, QWidget* parent = nullptr);

    AccountButton* notNowButton() const { return notNow_; }
    AccountButton* signInButton() const { return signIn_; }

private:
    AccountButton* notNow_;
    AccountButton* signIn_;
};
