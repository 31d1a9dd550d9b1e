#pragma once

#include <QPointer>
#include <QWidget>

class Clock;
class NoticeTimer;
class PlainLabel;
class QGraphicsOpacityEffect;
class QVariantAnimation;
class Store;

// The short-lived notice at the bottom of the main window: the store's notice text with the
// trash symbol in a floating capsule, 22 above the bottom edge. It slides up and fades in
// when a notice is set and back down when it is cleared; its timer clears each text 4 s after
// it appeared.
class NoticeToast : public QWidget {
    Q_OBJECT
public:
    NoticeToast(Store& store, Clock& clock, QWidget* parent);

    // Whether a notice is on screen (or still leaving).
    bool showing() const { return isVisible(); }
    QString text() const;
    // Places the capsule in its parent at the current point of its slide.
    void place();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();
    void slide(double to);

    Store& store_;
    NoticeTimer* timer_;
    PlainLabel* text_;
    QPointer<QGraphicsOpacityEffect> fade_;
    double shown_ = 0; // 0 below the edge and clear, 1 in place
    double target_ = 0;
    QPointer<QVariantAnimation> sliding_;
};
