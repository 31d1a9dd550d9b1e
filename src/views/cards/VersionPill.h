#pragma once

#include "views/cards/VersionPillModel.h"

#include <QWidget>

class SpringValue;

// The capsule with the installed version and, while an update is offered or under way, an
// arrow and the latest version, which slides in from the leading side.
class VersionPill : public QWidget {
    Q_OBJECT
public:
    explicit VersionPill(QWidget* parent = nullptr);

    void setPill(const VersionPillModel::Pill& pill);
    const VersionPillModel::Pill& pill() const { return pill_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double latestWidth() const;

    VersionPillModel::Pill pill_;
    QString shownLatest_; // kept while the latest version leaves
    double reveal_ = 0;
    SpringValue* motion_;
};
