#pragma once

#include "sources/StyledText.h"

#include <QColor>
#include <QHash>
#include <QTextDocument>
#include <QUrl>
#include <QWidget>

#include <optional>

class QTimer;
class TextSelection;

// The release notes, wrapped to the width they are given, selectable and copied as plain text,
// in the colours of the appearance showing when drawn.
// Long notes are laid out once per width, never at the trial widths a label tries for its size
// hint.
class NotesLabel : public QWidget {
    Q_OBJECT
public:
    explicit NotesLabel(QWidget* parent = nullptr);

    // The notes' text, read as inline Markdown or as plain text and shown as its runs say: no
    // text of the notes is read as markup. Long notes go in a part at a time, each on a turn of
    // its own after this one, so that no turn reads and lays them all out; until a part is in,
    // each of its lines stands in as one line of height.
    void setNotes(const QString& text, bool markdown);
    // Long notes still going in.
    bool filling() const { return pending_.has_value(); }
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
    struct Pending {
        QString text;
        bool markdown = false;
        int lines = 1;           // of all the notes
        QList<StyledText> parts; // read on the first turn after
        qsizetype next = 0;
        int linesIn = 0; // of the parts in the document
    };

    void layOut(int width) const;
    QString anchorAt(const QPoint& point) const;
    void addPart();

    mutable QTextDocument document_;
    mutable int laidOutWidth_ = -1;
    mutable QHash<int, int> heights_; // of what the document holds
    std::optional<Pending> pending_;
    QTimer* filling_;
    // The appearance's accent the links were given.
    QColor linkColour_;
    TextSelection* selection_;
};
