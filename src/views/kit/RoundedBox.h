#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

// A plain box with rounded corners whose fill, and optional 1-pixel edge drawn inside it, are
// asked of the palette at each paint, so they follow a change of appearance. A negative
// radius makes a capsule.
class RoundedBox : public QWidget {
public:
    static constexpr qreal capsule = -1;

    RoundedBox(qreal radius, std::function<QColor()> fill, QWidget* parent = nullptr,
               std::function<QColor()> edge = {});

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal radius_;
    std::function<QColor()> fill_;
    std::function<QColor()> edge_;
};
