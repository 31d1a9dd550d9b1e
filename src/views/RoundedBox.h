#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

// A plain box with rounded corners whose fill is asked of the palette at each paint, so it
// follows a change of appearance.
class RoundedBox : public QWidget {
public:
    RoundedBox(qreal radius, std::function<QColor()> fill, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal radius_;
    std::function<QColor()> fill_;
};
