#pragma once

#include "platform/gui/Palette.h"

#include <QWidget>

class SpringValue;
class Store;

// The window's background behind the dashboard: the window colour under a gradient of the
// store's mood fading down to nothing by 55 % of the height. A change of mood blends from the
// old tint to the new one with the standard animation.
class Backdrop : public QWidget {
    Q_OBJECT
public:
    explicit Backdrop(Store& store, QWidget* parent = nullptr);

    Palette::Tint mood() const { return to_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();
    QColor tint() const;

    Store& store_;
    Palette::Tint from_;
    Palette::Tint to_;
    double blend_ = 1; // 0 shows `from_`, 1 shows `to_`
    SpringValue* motion_;
};
