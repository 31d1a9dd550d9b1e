#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <utility>

class QKeyEvent;
class QMouseEvent;
class QWidget;

// A selection in read-only text that its widget lays out and draws itself. It follows the mouse
// (press and drag, a double click for a word or the whole text), the keyboard (the arrows, Home
// and End, with Shift to extend; select all) and copies with the platform's copy key or the Copy
// of a right-click on it. The widget reads the range to draw it; positions are the widget's own
// text positions.
class TextSelection : public QObject {
    Q_OBJECT
public:
    struct Text {
        std::function<int(const QPointF& point)> positionAt; // the position nearest the point
        std::function<int()> length;
        std::function<QString(int from, int to)> copied; // what the range copies
        // The word around a position; without it a double click selects everything.
        std::function<std::pair<int, int>(int position)> wordAt;
    };

    // Takes the owner's mouse, key and focus events that concern the selection.
    TextSelection(QWidget* owner, Text text);

    int start() const { return std::min(anchor_, position_); }
    int end() const { return std::max(anchor_, position_); }
    int position() const { return position_; }
    bool empty() const { return anchor_ == position_; }
    // Whether the last press and release made no selection (a click, which may follow a link).
    bool clicked() const { return !dragged_; }
    void select(int from, int to);
    QString selectedText() const;
    void copy() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool key(QKeyEvent* event);
    int clamp(int position) const;

    QWidget* owner_;
    Text text_;
    int anchor_ = 0;
    int position_ = 0;
    bool pressed_ = false;
    bool dragged_ = false;
};
