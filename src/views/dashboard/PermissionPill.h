#pragma once

#include "views/dashboard/PermissionModel.h"

#include <QAbstractButton>

// One permission's capsule: its symbol and title in the pill's colour and its state word,
// on a faint capsule of the same colour. The whole capsule takes clicks.
class PermissionPill : public QAbstractButton {
    Q_OBJECT
public:
    explicit PermissionPill(QWidget* parent = nullptr);

    void setPill(const PermissionModel::Pill& pill);
    const PermissionModel::Pill& pill() const { return pill_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PermissionModel::Pill pill_;
};
