#pragma once

#include <QWidget>

// A green check mark that lands (grows from a third with a bounce and fades in) beside a
// title.
class DoneMark : public QWidget {
    Q_OBJECT
public:
    explicit DoneMark(QString title, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    double scale_ = 0.3;
    double opacity_ = 0;
};
