#pragma once

#include "notch/IslandMorph.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// The one window the fold draws in: frameless, translucent, above everything, never focused and
// transparent to the pointer. It covers the start and end rectangles once (no window is moved or
// resized per frame) and paints, each frame, the window's picture inside the shape the morph has
// reached, over a black body, with the shadow and the outline.
class FoldOverlay final : public QWidget {
    Q_OBJECT
public:
    struct Morph {
        QRectF from, to; // global, top-left origin
        IslandMorph::Outline a, b;
        bool closing = true; // into the island; else out of it
        QPixmap picture;
        double borderAlpha = 0.1; // the outline's white; none around a notch
    };

    // `island`, when set, fades out while the window grows out of it.
    explicit FoldOverlay(Morph morph, QPointer<QWidget> island = {});

    // Shows the overlay and runs the morph, one frame per refresh of its screen, each at the time
    // elapsed since the start; `finish` runs once at its end, then the overlay closes and deletes
    // itself. Animations made instant for tests end at once.
    void start(std::function<void()> finish);

    // The state at normalised time t, in the overlay's own coordinates.
    void paint(QPainter& painter, double t) const;
    double time() const { return t_; }
    const Morph& morph() const { return morph_; }

    // Both rectangles with room for the shadow on every side.
    static QRect area(const QRectF& from, const QRectF& to);

Q_SIGNALS:
    // The first frame was painted: what lies beneath may now go.
    void firstFrame();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void step(double t);
    // What a frame at t paints, shadow included, in the overlay's coordinates.
    QRect bounds(double t) const;

    Morph morph_;
    QPointer<QWidget> island_;
    QRect area_;
    QImage shadow_;
    double t_ = 0;
    QTimer frames_;
    QElapsedTimer elapsed_;
    std::function<void()> finish_;
    bool finished_ = false;
    bool painted_ = false;
};
