#pragma once

#include <QColor>
#include <QWidget>

// Plain text (never interpreted as markup) on at most `maxLines` lines, cut with "…" at the
// tail or in the middle when it does not fit. Wraps at word boundaries or anywhere, so paths
// and addresses break too.
class ElidedLabel : public QWidget {
    Q_OBJECT
public:
    ElidedLabel(QString text, Qt::TextElideMode mode, int maxLines = 1, QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    void setColor(const QColor& color);
    // The lines as drawn at `width`.
    QStringList lines(int width) const;
    bool elided() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return maxLines_ > 1; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QStringList fit(int width) const;

    QString text_;
    Qt::TextElideMode mode_;
    int maxLines_;
    QColor color_;
    qsizetype shownLines_ = 1;
    // Layouts ask for the same widths again and again; wrapping with elision is costly.
    mutable int cachedWidth_ = -1;
    mutable QStringList cachedLines_;
};
