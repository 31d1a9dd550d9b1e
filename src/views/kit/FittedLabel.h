#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

// One line of plain text that shrinks its font, down to `minimumScale` of its size, to fit its
// width before it is cut with "…".
class FittedLabel : public QWidget {
    Q_OBJECT
public:
    FittedLabel(const QFont& font, QColor colour, double minimumScale, QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    void setColor(const QColor& colour);
    // The font the text is drawn in at the current width.
    QFont fitted() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QFont font_;
    QColor colour_;
    double minimumScale_;
};
