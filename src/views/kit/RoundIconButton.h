#pragma once

#include <QAbstractButton>

class SpringValue;

// The round, lightly tinted icon button of the overview header: the symbol in the primary
// colour (tertiary while disabled) on a faint circle that darkens and shrinks while pressed.
class RoundIconButton : public QAbstractButton {
    Q_OBJECT
public:
    // `side`: the square frame the header gives the symbol; `glyph`: the symbol's size.
    RoundIconButton(QString symbol, int side, double glyph, QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(side_, side_); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    int side_;
    double glyph_;
    double press_ = 0;
    SpringValue* pressMotion_;
};
