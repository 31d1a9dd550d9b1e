#pragma once

#include <QToolButton>

class CheckingRing;
class Clock;
class QMenu;
class Store;

// The account's pull-down at the right of the library's header: who is signed in (a spinner in
// place of the symbol while the library syncs), and the account, this Mac's name in the library,
// "Sync Now" and "Sign Out".
class AccountMenu : public QToolButton {
    Q_OBJECT
public:
    AccountMenu(Store& store, Clock& clock, QWidget* parent = nullptr);

    // Follows the session and the sync flag.
    void refresh();
    // The menu as it would open now.
    void fill(QMenu& menu);
    bool spinning() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Store& store_;
    Clock& clock_;
    CheckingRing* ring_;
};
