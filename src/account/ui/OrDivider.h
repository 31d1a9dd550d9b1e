#pragma once

#include <QWidget>

// "or with email" between two faint lines, under the Google button.
class OrDivider : public QWidget {
    Q_OBJECT
public:
    explicit OrDivider(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
