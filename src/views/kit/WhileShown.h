#pragma once

#include <QObject>

class QAbstractAnimation;
class QTimer;
class QWidget;

// Holds an endless animation or a repeating timer still while `widget` is off the screen
// (hidden, or inside a hidden or minimised window) and lets it run on when it shows again, so
// that a spinner nobody sees wakes nobody. It belongs to what it holds.
class WhileShown final : public QObject {
public:
    WhileShown(QAbstractAnimation* animation, QWidget* widget);
    WhileShown(QTimer* timer, QWidget* widget);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WhileShown(QObject* held, QWidget* widget);
    void hold(bool shown);

    QAbstractAnimation* animation_ = nullptr;
    QTimer* timer_ = nullptr;
    bool held_ = false; // a timer stopped here, to start again
};
