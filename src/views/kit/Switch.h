#pragma once

#include <QAbstractButton>

#include <functional>

class Palette;
class SpringValue;

// An on/off switch: a capsule track, accent-filled while on, with a round knob that slides to
// the side of its state by the standard animation (at once with reduced motion). Space toggles
// it when it has the keyboard focus; a click never takes the focus from the window's content.
class Switch : public QAbstractButton {
    Q_OBJECT
public:
    // `palette` picks the colours each paint, so a window that keeps its own appearance (the
    // welcome window stays dark) passes its own.
    explicit Switch(const QString& accessibleName, QWidget* parent = nullptr,
                    std::function<Palette()> palette = nullptr);

    QSize sizeHint() const override { return {38, 22}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<Palette()> palette_;
    double on_ = 0; // 0 off, 1 on; between while the knob slides
    SpringValue* motion_;
};
