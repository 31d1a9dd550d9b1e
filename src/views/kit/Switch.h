#pragma once

#include <QAbstractButton>

// An on/off switch: its title on the leading side, the track with its knob on the trailing
// edge. A checkable button, so a screen reader reads the title and the state, and a click
// anywhere on the row flips it.
class Switch : public QAbstractButton {
    Q_OBJECT
public:
    explicit Switch(const QString& title, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
