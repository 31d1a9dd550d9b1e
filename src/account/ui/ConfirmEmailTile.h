#pragma once

#include "account/ui/TintedCard.h"

#include <memory>

class AccountButton;
class ConfirmEmailTileModel;
class Store;

// The dashboard's card asking the owner of a new password account to confirm the address:
// why, a resend with its once-a-minute countdown, and "I've Confirmed". It asks the service
// again whenever the application becomes active.
class ConfirmEmailTile : public TintedCard {
    Q_OBJECT
public:
    ConfirmEmailTile(Store& store, const QString& email, QWidget* parent = nullptr);
    ~ConfirmEmailTile() override;

    ConfirmEmailTileModel& model() { return *model_; }
    AccountButton* resendButton() const { return resend_; }
    AccountButton* confirmedButton() const { return confirmed_; }

private:
    void refresh();

    std::unique_ptr<ConfirmEmailTileModel> model_;
    AccountButton* resend_;
    AccountButton* confirmed_;
};
