#pragma once

#include <QAbstractButton>

// The welcome window's primary button: white text on a capsule running from blue to teal, with
// a blue shadow; it shrinks to 97 % while pressed.
class GradientButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit GradientButton(const QString& title, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double press_ = 0;
};
