#pragma once

#include "views/cards/VersionPillFace.h"

#include <QWidget>

class SpringValue;

// The capsule with the installed version and, while an update is offered or under way, an
// arrow and the latest version, which slides in from the leading side.
class VersionPill : public QWidget {
    Q_OBJECT
public:
    explicit VersionPill(QWidget* parent = nullptr);

    void setPill(const VersionPillModel::Pill& pill);
    const VersionPillModel::Pill& pill() const { return face_.pill(); }

    QSize sizeHint() const override { return face_.size(); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    VersionPillFace face_;
    SpringValue* motion_;
};
