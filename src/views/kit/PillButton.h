#pragma once

#include <QAbstractButton>

class SpringValue;

// The capsule button of the rows: white on the accent gradient when prominent, else accent on
// a light accent capsule. It shrinks a little while pressed.
class PillButton : public QAbstractButton {
    Q_OBJECT
public:
    PillButton(const QString& title, bool prominent, QWidget* parent = nullptr);

    bool prominent() const { return prominent_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool prominent_;
    double press_ = 0; // 0 released, 1 pressed
    SpringValue* pressMotion_;
};
