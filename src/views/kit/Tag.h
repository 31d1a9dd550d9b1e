#pragma once

#include <QColor>
#include <QWidget>

// A tinted capsule label with a symbol; never truncated by its parent. What paints a row of
// its own can draw one without a widget.
class Tag : public QWidget {
    Q_OBJECT
public:
    Tag(QString title, QString symbol, QColor tint, QWidget* parent = nullptr);

    const QString& title() const { return title_; }
    QSize sizeHint() const override { return extent(title_); }
    QSize minimumSizeHint() const override { return sizeHint(); }

    static QSize extent(const QString& title);
    // Drawn at the right of `area`, centred on its height.
    static void paint(QPainter& painter, const QRectF& area, const QString& title, const QString& symbol,
                      const QColor& tint);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_, symbol_;
    QColor tint_;
};
