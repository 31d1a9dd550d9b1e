#pragma once

#include "views/kit/RoundedBox.h"

class Clock;
class ElidedLabel;
class FittedLabel;
class HealthRing;
class HeroButton;
class RoundIconButton;
class Store;

// The overview card at the top of the dashboard: the health ring, the headline and summary,
// and the check-again, settings and Update All buttons. It reads the store and starts its
// refresh and Update All. Its shadow is painted by the column that holds it, so the ring's
// motion never re-blurs the card. New counts and texts lay out its own row again, not the
// column under it: that only hears of the hero when its height or narrowest width changes.
class Hero : public RoundedBox {
    Q_OBJECT
public:
    Hero(Store& store, const Clock& clock, QWidget* parent = nullptr);

    static constexpr double radius = 22;

    HealthRing* ring() const { return ring_; }
    FittedLabel* headline() const { return headline_; }
    ElidedLabel* summary() const { return summary_; }
    RoundIconButton* checkAgainButton() const { return checkAgain_; }
    RoundIconButton* settingsButton() const { return settings_; }
    HeroButton* updateAllButton() const { return updateAll_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    // What the column lays the hero out by.
    struct Extent {
        QSize minimum;
        int height;
        bool operator==(const Extent&) const = default;
    };
    Extent extent() const;

    Store& store_;
    const Clock& clock_;
    QWidget* body_;
    Extent told_{};
    HealthRing* ring_;
    FittedLabel* headline_;
    ElidedLabel* summary_;
    RoundIconButton* checkAgain_;
    RoundIconButton* settings_;
    HeroButton* updateAll_;
};
