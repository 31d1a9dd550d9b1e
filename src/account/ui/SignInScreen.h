#pragma once

#include <QScrollArea>

class AuthView;
class Store;

// The sign-in card as the library shows it while nobody is signed in: in a vertical scroll
// view, 18 below the top, centred across the full width.
class SignInScreen : public QScrollArea {
    Q_OBJECT
public:
    explicit SignInScreen(Store& store, QWidget* parent = nullptr);

    AuthView* card() const { return card_; }

private:
    AuthView* card_;
};
