#pragma once

#include "sources/StyledText.h"

#include <QColor>
#include <QHash>
#include <QTextDocument>
#include <QUrl>
#include <QWidget>

class TextSelection;

// The release notes, wrapped to the width they are given, selectable and copied as plain text,
// in the colours of the appearance showing when drawn.
// Long notes are laid out once per width, never at the trial widths a label tries for its size
// hint.
class NotesLabel : public QWidget {
    Q_OBJECT
public:
    explicit NotesLabel(QWidget* parent = nullptr);

    // Shown as the runs say; no text of the notes is read as markup.
    void setNotes(const StyledText& text);
    QString plainText() const { return document_.toPlainText(); }
    TextSelection* selection() const { return selection_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

Q_SIGNALS:
    void linkActivated(const QUrl& url);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layOut(int width) const;
    QString anchorAt(const QPoint& point) const;

    mutable QTextDocument document_;
    mutable int laidOutWidth_ = -1;
    mutable QHash<int, int> heights_;
    // The appearance's accent the links were given.
    QColor linkColour_;
    TextSelection* selection_;
};
