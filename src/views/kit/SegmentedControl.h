#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

class Palette;
class SpringValue;

// A row of equal segments in one rounded track, one of them chosen; the raised plate of the
// chosen one slides to a new choice by the standard animation. A click or, with the keyboard
// focus, Left / Right chooses; `activated` reports a choice the user made.
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    // `palette` as for Switch: a window that keeps its own appearance passes its own.
    SegmentedControl(const QStringList& segments, const QString& accessibleName, QWidget* parent = nullptr,
                     std::function<Palette()> palette = nullptr);

    int current() const { return current_; }
    // Chooses without reporting it; the plate moves there at once while hidden.
    void setCurrent(int index);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void activated(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(int index);
    QRectF segment(double index) const;

    QStringList segments_;
    std::function<Palette()> palette_;
    int current_ = -1;
    double plate_ = 0; // the plate's position in segments
    SpringValue* motion_;
};
