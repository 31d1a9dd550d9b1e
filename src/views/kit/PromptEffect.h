#pragma once

#include <QGraphicsEffect>
#include <QPointer>

// Draws a prompt laid over the window faded, with its card scaled about the card's centre: the
// motion of a prompt coming and going. Widgets can't be scaled, so the card is drawn from the
// prompt's picture; where the smaller card leaves the card's place, the backdrop is filled in.
class PromptEffect : public QGraphicsEffect {
    Q_OBJECT
public:
    PromptEffect(QWidget* card, QColor backdrop, double cornerRadius, QObject* parent = nullptr);

    double opacity() const { return opacity_; }
    double scale() const { return scale_; }
    void set(double opacity, double scale);

protected:
    void draw(QPainter* painter) override;

private:
    QPointer<QWidget> card_;
    QColor backdrop_;
    double radius_;
    double opacity_ = 0;
    double scale_ = 1;
};
