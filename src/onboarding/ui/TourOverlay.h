#pragma once

#include <QPointer>
#include <QRectF>
#include <QRegion>
#include <QWidget>

#include <optional>

class Prefs;
class QAbstractButton;
class QTimer;
class QVariantAnimation;
class Store;
class TourAnchors;
class TourCard;

// The running tour over the dashboard: dims it, cuts a rounded hole around the step's element
// with a pulsing accent ring (still under reduced motion), and places the step card beside it.
// While it shows it keeps the keyboard: Escape skips, Return goes on, Left goes back, and of the
// window's shortcuts only Quit gets through. A click in the hole goes on; other clicks on the
// dim go nowhere. Prompts and the toast laid over the window stay above it, with their keys.
// Shows nothing while no tour runs.
class TourOverlay : public QWidget {
    Q_OBJECT
public:
    TourOverlay(Store& store, Prefs& prefs, TourAnchors& anchors, QWidget* parent);

    // The hole and the card's corner as drawn now, in the overlay's space.
    QRectF spotlight() const { return drawn_; }
    TourCard* card() const { return card_; }
    QAbstractButton* hole() const { return hole_; }
    // Follows the marked elements now rather than on the next frame (pictures, tests).
    void follow();
    // One beat of the ring's pulse, 0 to 1, and the region it repaints (benchmarks).
    void setPulse(double pulse);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    // Whether `widget` lies in a layer stacked above the overlay (a prompt, the toast).
    bool above(const QWidget* widget) const;
    void holdFocus(QWidget* now);
    void showTour();
    void hideTour();
    void go(int n);
    void end();
    QRectF target() const;
    QRegion ringRegion(const QRectF& rect) const;

    Store& store_;
    Prefs& prefs_;
    TourAnchors& anchors_;
    TourCard* card_;
    QAbstractButton* hole_;
    std::optional<int> step_; // the step drawn
    QRectF from_, drawn_;     // the hole moving from, and where it is drawn now
    QPointF cardFrom_;
    double move_ = 1; // the move between steps, 0 to 1
    double opacity_ = 0;
    double pulse_ = 0;
    QPointer<QVariantAnimation> moving_, fading_, pulsing_;
    QTimer* following_;
    QPointer<QWidget> focusBefore_;
};
