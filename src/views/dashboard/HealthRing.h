#pragma once

#include "views/dashboard/HealthRingModel.h"

#include <QPointer>
#include <QWidget>

class QVariantAnimation;
class SpringValue;
class Store;

// The ring at the left of the overview header: the four slices over a faint track, the accent
// arc turning while a refresh runs, and the centre. Slices glide to new lengths with the
// standard animation; the turning arc runs only while the ring is on screen.
class HealthRing : public QWidget {
    Q_OBJECT
public:
    explicit HealthRing(Store& store, QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(84, 84); }
    // Whether the refresh arc is turning now.
    bool spinning() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void follow();
    void spin(bool on);
    QList<double> shownFractions() const;

    Store& store_;
    QList<HealthRingModel::Slice> slices_;
    QList<double> from_;
    double blend_ = 1;
    SpringValue* motion_;
    bool arc_ = false; // the refresh arc is shown
    double turn_ = 0;  // 0…1 of a revolution from the top
    QPointer<QVariantAnimation> spinning_;
    HealthRingModel::Centre centre_;
    double symbolScale_ = 1;
    SpringValue* symbolMotion_;
    bool warmed_ = false; // the counts' digits drawn off screen once
};
