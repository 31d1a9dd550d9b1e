#pragma once

#include <QColor>
#include <QWidget>

// A tinted capsule label with a symbol; never truncated by its parent.
class Tag : public QWidget {
    Q_OBJECT
public:
    Tag(QString title, QString symbol, QColor tint, QWidget* parent = nullptr);

    const QString& title() const { return title_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_, symbol_;
    QColor tint_;
};
