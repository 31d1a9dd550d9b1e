#pragma once

#include <QPointer>
#include <QScrollBar>

class QAbstractScrollArea;

// A vertical bar lying over the right edge of a scroll area's viewport instead of beside it,
// so the viewport keeps its width whether or not there is anything to scroll. It takes the
// area's own bar, hidden, and mirrors it both ways; it shows only while the content overflows.
class OverlayScroller : public QScrollBar {
    Q_OBJECT
public:
    explicit OverlayScroller(QAbstractScrollArea* area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();
    void place();

    // Held apart from the area, which may be half torn down when its children last speak.
    QPointer<QWidget> viewport_;
    QPointer<QScrollBar> source_;
};
