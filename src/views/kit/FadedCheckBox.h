#pragma once

#include <QCheckBox>

// A check box drawn at an opacity of its own, as a list row that is not chosen draws its whole
// line. No graphics effect: one inside a prompt that fades in would draw nothing.
class FadedCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

    double opacity() const { return opacity_; }
    void setOpacity(double opacity);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double opacity_ = 1;
};
