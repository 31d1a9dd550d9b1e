#pragma once

#include <QWidget>

// The spinner of a row being checked: an arc fading round into the accent colour, turning
// once every 0.85 s. With Reduce Motion, a small stepped indicator instead.
class CheckingRing : public QWidget {
    Q_OBJECT
public:
    explicit CheckingRing(QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(15 + 8, 15); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool reduced_;
    double turn_ = 0; // 0…1 of a revolution
};
