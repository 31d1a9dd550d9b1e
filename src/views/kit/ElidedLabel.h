#pragma once

#include "platform/gui/Palette.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QWidget>

class TextSelection;

// Plain text (never interpreted as markup) on at most `maxLines` lines, cut with "…" at the
// tail or in the middle when it does not fit. Wraps at word boundaries or anywhere, so paths
// and addresses break too. A selectable label copies what is selected of the whole text: a
// selection over the "…" takes the part it hides.
class ElidedLabel : public QWidget {
    Q_OBJECT
public:
    ElidedLabel(QString text, Qt::TextElideMode mode, int maxLines = 1, QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    // A colour given by tint follows the appearance.
    void setColor(const Palette::Ink& ink);
    // Lets the mouse and the keyboard select and copy the text.
    void setSelectable();
    TextSelection* selection() const { return selection_; }
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
    // The text as drawn now, its lines joined, and a position in it as a position in the text.
    QString shown() const;
    int original(int shownPosition) const;
    int positionAt(const QPointF& point) const;
    void paintSelectable(QPainter& painter);

    QString text_;
    Qt::TextElideMode mode_;
    int maxLines_;
    Palette::Ink ink_ = QColor();
    qsizetype shownLines_ = 1;
    // Layouts ask for the same few widths again and again, in turn (a hint, the width given);
    // wrapping with elision is costly, so each width's lines are kept until the text or font
    // changes.
    mutable QHash<int, QStringList> fits_;
    mutable qreal advance_ = -1; // the whole text's, for the size hint
    // The drawn lines, shaped, and the font they were shaped with.
    QList<QStaticText> staticLines_;
    QFont staticFont_;
    TextSelection* selection_ = nullptr;
};
