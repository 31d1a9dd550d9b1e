#pragma once

#include <QGraphicsEffect>

// How a part of the island comes and goes: drawn at an opacity, scaled about its top centre
// and shifted down, all from one grab of the widget. At full opacity, scale 1 and no shift it
// draws the widget directly, so that effects further in keep working.
class ArrivalEffect : public QGraphicsEffect {
    Q_OBJECT
public:
    explicit ArrivalEffect(QObject* parent = nullptr);

    void setState(double opacity, double scale, double shift);
    bool resting() const { return opacity_ >= 1 && scale_ == 1 && shift_ == 0; }

protected:
    void draw(QPainter* painter) override;

private:
    double opacity_ = 1, scale_ = 1, shift_ = 0;
};
