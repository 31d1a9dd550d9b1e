#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

class QHBoxLayout;
class QLabel;

// The look the dashboard's account cards share: a row of a symbol, a title over a wrapping
// secondary text, then the card's buttons, on a tinted rounded box with a tinted outline inside
// its edge. The tint is asked of the palette at each paint.
class TintedCard : public QWidget {
    Q_OBJECT
public:
    TintedCard(std::function<QColor()> tint, const QString& symbol, const QString& title, QWidget* parent = nullptr);

    QLabel* text() const { return text_; }

protected:
    // The buttons go here, after the spacer.
    QHBoxLayout* row() const { return row_; }
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<QColor()> tint_;
    QHBoxLayout* row_;
    QLabel* text_;
};
