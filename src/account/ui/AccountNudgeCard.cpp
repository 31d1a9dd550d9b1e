#include "account/ui/AccountNudgeCard.h"

#include "account/AccountNudge.h"
#include "account/ui/AccountButton.h"
#include "platform/gui/Palette.h"
#include "runtime/Clock.h"

#include <QHBoxLayout>
#include <QLabel>

AccountNudgeCard::AccountNudgeCard(Store& store, Prefs& prefs, QWidget* parent)
    : TintedCard([] { return Palette::current().accent(); }, AccountNudge::symbol, tr("Back up your app list"),
                 parent) {
    text()->setText(tr("Sign in and a new Mac can put all your apps back."));
    notNow_ = new AccountButton(tr("Not Now"), AccountButton::Look::bordered, this);
    signIn_ = new AccountButton(tr("Sign In"), AccountButton::Look::prominent, this);
    row()->addWidget(notNow_, 0, Qt::AlignVCenter);
    row()->addWidget(signIn_, 0, Qt::AlignVCenter);
    Prefs* settings = &prefs;
    connect(notNow_, &QAbstractButton::clicked, this,
            [settings] { AccountNudge::notNow(*settings, Clock::shared().now()); });
    Store* shared = &store;
    connect(signIn_, &QAbstractButton::clicked, this, [shared] { AccountNudge::signIn(*shared); });
}
