#pragma once

#include <QPointer>
#include <QWidget>

class PlainLabel;
class QLineEdit;
class QMessageBox;
class QPushButton;
class SettingsModel;

// The Account tab: signing in from the library, or the signed-in account with its e-mail
// confirmation, this computer's name, signing out and deleting the library and the account.
class AccountTab final : public QWidget {
    Q_OBJECT
public:
    explicit AccountTab(SettingsModel& model, QWidget* parent = nullptr);

private:
    void refresh();
    // The confirmation that the model's confirmDelete asks for, over this window.
    void confirm();

    SettingsModel& model_;
    QWidget* signedOut_;
    PlainLabel* invitation_;
    QWidget* signedIn_;
    PlainLabel* who_;
    QWidget* emailRow_;
    PlainLabel* emailState_;
    QPushButton* resend_;
    QLineEdit* deviceName_;
    QPushButton* signOut_;
    QPushButton* delete_;
    PlainLabel* deleteError_;
    QPointer<QMessageBox> confirmation_;
};
