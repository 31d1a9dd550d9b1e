#pragma once

#include <QAbstractButton>

// The close control of a window drawn without the desktop's title bar: a small faint disc at
// the top-leading corner whose cross shows while the pointer is over it.
class CloseDot : public QAbstractButton {
    Q_OBJECT
public:
    explicit CloseDot(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {14, 14}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hovered_ = false;
};
