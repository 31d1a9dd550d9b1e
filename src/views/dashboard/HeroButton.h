#pragma once

#include <QAbstractButton>

class SpringValue;

// The filled capsule of the header's main action: white symbol and title on the accent
// gradient with an accent shadow; grey on a faint capsule without shadow while disabled. It
// shrinks a little while pressed.
class HeroButton : public QAbstractButton {
    Q_OBJECT
public:
    // Room around the capsule for its shadow, inside the button's bounds.
    static constexpr int shadowRoom = 10;

    HeroButton(QString symbol, const QString& title, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString symbol_;
    double press_ = 0;
    SpringValue* pressMotion_;
};
