#pragma once

#include "onboarding/NotchDemoTimeline.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QWidget>

// A small desktop whose notch drops open into the update panel, lists three sample apps,
// installs the first and folds back, over and over; standing open and done under reduced motion.
class NotchDemo : public QWidget {
    Q_OBJECT
public:
    explicit NotchDemo(QWidget* parent = nullptr);

    // The scene as drawn now, between the last state and the one it moves to.
    NotchDemoTimeline::State state() const;
    NotchDemoTimeline::Frame frame() const;
    // For pictures: the scene `seconds` into its cycle.
    void holdAt(double seconds);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double seconds() const;
    // The desk and its menu bar, which never move: drawn once for the size.
    QPixmap background() const;
    mutable QPixmap background_;
    QElapsedTimer since_;
    double held_ = -1;
};
