#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class AccountNudgeCard;
class ConfirmEmailTile;
class Prefs;
class Store;

// The account's cards under the dashboard's controls row: the confirm-email tile while a
// password account's address is unconfirmed, and the nudge to sign in while it is wanted. Each
// fades in and out; the tile is made afresh for each address.
class AccountCards : public QWidget {
    Q_OBJECT
public:
    AccountCards(Store& store, Prefs& prefs, QWidget* parent = nullptr);

    ConfirmEmailTile* tile() const;
    AccountNudgeCard* nudge() const { return nudge_; }

private:
    void refresh();
    void fitToCards();
    // At the end of a fade: whether the card stays, and the column's room checked after it.
    bool settled(bool shown);

    Store& store_;
    Prefs& prefs_;
    QPointer<ConfirmEmailTile> tile_;
    QString tileEmail_;
    AccountNudgeCard* nudge_;
    bool tileShown_ = false;
    bool nudgeShown_ = false;
};
