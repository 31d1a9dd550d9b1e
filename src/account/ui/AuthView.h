#pragma once

#include "account/AuthViewModel.h"

#include <QWidget>

#include <memory>

class AccountButton;
class BrowserWaitWindow;
class FieldBox;
class GoogleButton;
class GoogleSignIn;
class ModeSwitch;
class OrDivider;
class PitchPanel;
class QLabel;
class QToolButton;
class Store;
class SymbolLabel;
class TermsCheckbox;

// The sign-in card a signed-out user creates an account or signs in with: the pitch panel on
// the left, the form on the right. It draws its view-model and calls its operations; Return
// anywhere in the form submits.
class AuthView : public QWidget {
    Q_OBJECT
public:
    explicit AuthView(Store& store, QWidget* parent = nullptr);
    ~AuthView() override;

    AuthViewModel& model() { return *model_; }

    // Makes every sign-in card on screen send a password-reset mail (the demo's "forgot
    // password" notification).
    static void postDemoForgotPassword();

    // The pieces, for tests and pictures.
    ModeSwitch* modeSwitch() const { return modeSwitch_; }
    TermsCheckbox* terms() const { return terms_; }
    GoogleButton* googleButton() const { return google_; }
    FieldBox* nameField() const { return name_; }
    FieldBox* emailField() const { return email_; }
    FieldBox* passwordField() const { return password_; }
    QToolButton* revealButton() const { return reveal_; }
    SymbolLabel* passwordHint() const { return hint_; }
    SymbolLabel* message() const { return message_; }
    AccountButton* primaryButton() const { return primary_; }
    AccountButton* forgotButton() const { return forgot_; }
    AccountButton* footerLink() const { return footer_; }
    PitchPanel* pitch() const { return pitch_; }
    QLabel* heading() const { return heading_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* buildForm();
    void refresh();
    void moveFocus();

    Store& store_;
    std::unique_ptr<BrowserWaitWindow> sheet_;
    GoogleSignIn* googleSignIn_;
    std::unique_ptr<AuthViewModel> model_;

    PitchPanel* pitch_;
    ModeSwitch* modeSwitch_;
    QLabel* heading_;
    TermsCheckbox* terms_;
    GoogleButton* google_;
    OrDivider* divider_;
    FieldBox* name_;
    FieldBox* email_;
    FieldBox* password_;
    QToolButton* reveal_;
    SymbolLabel* hint_;
    SymbolLabel* message_;
    SymbolLabel* agreement_;
    AccountButton* primary_;
    AccountButton* forgot_;
    AccountButton* footer_;
};
