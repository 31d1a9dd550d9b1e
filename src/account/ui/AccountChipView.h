#pragma once

#include "account/AccountChip.h"

#include <QAbstractButton>

#include <functional>
#include <optional>

class Prefs;
class Store;

// The island header's capsule pointing at one pending account task (confirm the e-mail, or
// sign in to back up); it hides itself when there is none and follows the store.
class AccountChipView : public QAbstractButton {
    Q_OBJECT
public:
    // `openApp` brings the main window out of the island.
    AccountChipView(Store& store, Prefs& prefs, std::function<void()> openApp, QWidget* parent = nullptr);

    const std::optional<AccountChip::Chip>& chip() const { return chip_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();
    QColor tint() const;

    Store& store_;
    Prefs& prefs_;
    std::function<void()> openApp_;
    std::optional<AccountChip::Chip> chip_;
};
