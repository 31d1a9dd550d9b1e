#pragma once

#include "views/cards/VersionPillModel.h"

#include <QRectF>
#include <QSize>

class QPainter;
class SpringValue;

// The version capsule as drawn, for whatever paints it: the installed version and, as far as it
// is revealed (0 to 1), an arrow and the latest version, which slides in from the leading side.
// The latest version is kept while it leaves.
class VersionPillFace {
public:
    VersionPillFace() { measure(); }

    // Sets the pill and sends `motion`, which drives the reveal, where the latest version now
    // is: at once while the pill is not on screen.
    void setPill(const VersionPillModel::Pill& pill, SpringValue& motion, bool onScreen);
    const VersionPillModel::Pill& pill() const { return pill_; }
    void setReveal(double reveal);

    QSize size() const { return size_; }
    // Drawn from the left of `area`, centred on its height; colours are read now.
    void paint(QPainter& painter, const QRectF& area) const;

private:
    // Measured as the texts change, not at each paint.
    void measure();

    VersionPillModel::Pill pill_;
    QString shownLatest_;
    double reveal_ = 0;
    double installedWidth_ = -1;
    double latestWidth_ = -1;
    QSize size_;
};
