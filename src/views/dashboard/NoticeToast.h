#pragma once

#include <QPointer>
#include <QString>
#include <QList>
#include <QWidget>

class Clock;
class NoticeTimer;
class PlainLabel;
class SymbolView;
class QGraphicsOpacityEffect;
class QVariantAnimation;
class Store;

// The short-lived notice at the bottom of the main window: the store's notice text with its
// symbol in a floating capsule, 22 above the bottom edge or above the controls that keep to that
// edge, so it never lies over a button. It slides up and fades in when a notice is set and back
// down when it is cleared; its timer clears each text 4 s after it appeared.
class NoticeToast : public QWidget {
    Q_OBJECT
public:
    NoticeToast(Store& store, Clock& clock, QWidget* parent);

    // Whether a notice is on screen (or still leaving).
    bool showing() const { return isVisible(); }
    QString text() const;
    // Places the capsule in its parent at the current point of its slide.
    void place();
    // Keeps the capsule above `control` (a widget inside the parent) while it shows.
    void keepAbove(QWidget* control);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();
    void slide(double to);

    Store& store_;
    NoticeTimer* timer_;
    QList<QPointer<QWidget>> below_;
    SymbolView* symbol_;
    PlainLabel* text_;
    QPointer<QGraphicsOpacityEffect> fade_;
    double shown_ = 0; // 0 below the edge and clear, 1 in place
    double target_ = 0;
    QPointer<QVariantAnimation> sliding_;
};
