#include "views/dashboard/AccountCards.h"

#include "account/AccountNudge.h"
#include "account/ui/AccountNudgeCard.h"
#include "account/ui/ConfirmEmailTile.h"
#include "runtime/Clock.h"
#include "runtime/Observation.h"
#include "store/Store.h"
#include "views/kit/Animator.h"
#include "views/dashboard/DashboardModel.h"

#include <QVBoxLayout>

AccountCards::AccountCards(Store& store, Prefs& prefs, QWidget* parent)
    : QWidget(parent), store_(store), prefs_(prefs) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(16);
    nudge_ = new AccountNudgeCard(store_, prefs_, this);
    nudge_->hide();
    stack->addWidget(nudge_);
    new Observer(this, [this] { refresh(); }, {});
}

ConfirmEmailTile* AccountCards::tile() const { return tile_; }

void AccountCards::refresh() {
    const bool tile = DashboardModel::showsEmailConfirmation(store_);
    const QString email = tile ? store_.session()->email : QString();
    if (tile && (!tile_ || email != tileEmail_)) {
        delete tile_;
        tile_ = new ConfirmEmailTile(store_, email, this);
        tile_->hide();
        static_cast<QVBoxLayout*>(layout())->insertWidget(0, tile_);
        tileEmail_ = email;
        tileShown_ = false;
    }
    if (tile_ && tile != tileShown_) {
        tileShown_ = tile;
        Animator::fade(tile_, tile, [this] { return settled(tileShown_); });
    }
    const bool nudge = AccountNudge::shouldShow(store_, prefs_, Clock::shared().now());
    if (nudge != nudgeShown_) {
        nudgeShown_ = nudge;
        Animator::fade(nudge_, nudge, [this] { return settled(nudgeShown_); });
    }
    fitToCards();
}

// Takes no room in the column (nor its spacing) once neither card is wanted or fading out.
void AccountCards::fitToCards() {
    if (tileShown_ || nudgeShown_)
        show();
    else if ((!tile_ || tile_->isHidden()) && nudge_->isHidden())
        hide();
}

bool AccountCards::settled(bool shown) {
    QMetaObject::invokeMethod(this, &AccountCards::fitToCards, Qt::QueuedConnection);
    return shown;
}
