#pragma once

#include "views/kit/RoundedBox.h"

class PlainLabel;
class QPushButton;
class Store;

// The orange banner under the controls row while App Management is refused or updates wait
// for it: how many are blocked (hidden rows too), what to do, "Open System Settings" and,
// while updates wait, "Try Again", which reads the permission again and retries them.
class PermissionBanner : public RoundedBox {
    Q_OBJECT
public:
    explicit PermissionBanner(Store& store, QWidget* parent = nullptr);

    PlainLabel* title() const { return title_; }
    QPushButton* openSettingsButton() const { return openSettings_; }
    QPushButton* tryAgainButton() const { return tryAgain_; }

private:
    void refresh();

    Store& store_;
    PlainLabel* title_;
    PlainLabel* message_;
    QPushButton* openSettings_;
    QPushButton* tryAgain_;
};
