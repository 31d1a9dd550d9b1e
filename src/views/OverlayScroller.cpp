#include "views/OverlayScroller.h"

#include <QAbstractScrollArea>
#include <QEvent>

#include <functional>
#include <utility>

namespace {
// The area's bar, which tells of every change of range, steps or value; the range and the page
// step come apart from the area, so neither signal alone would do.
class Source : public QScrollBar {
public:
    explicit Source(std::function<void()> changed) : QScrollBar(Qt::Vertical), changed_(std::move(changed)) {}

protected:
    void sliderChange(SliderChange change) override {
        QScrollBar::sliderChange(change);
        changed_();
    }

private:
    std::function<void()> changed_;
};
} // namespace

OverlayScroller::OverlayScroller(QAbstractScrollArea* area) : QScrollBar(Qt::Vertical, area), area_(area) {
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBar(new Source([this] { follow(); }));
    connect(this, &QScrollBar::valueChanged, area->verticalScrollBar(), &QScrollBar::setValue);
    area->viewport()->installEventFilter(this);
    follow();
}

void OverlayScroller::follow() {
    const QScrollBar* source = area_->verticalScrollBar();
    setRange(source->minimum(), source->maximum());
    setPageStep(source->pageStep());
    setSingleStep(source->singleStep());
    setValue(source->value());
    const bool overflows = source->maximum() > source->minimum();
    if (overflows != isVisibleTo(area_)) {
        setVisible(overflows);
        place();
    }
}

void OverlayScroller::place() {
    const QRect view = area_->viewport()->geometry();
    const int width = sizeHint().width();
    setGeometry(view.right() + 1 - width, view.top(), width, view.height());
    raise();
}

bool OverlayScroller::eventFilter(QObject* watched, QEvent* event) {
    if (watched == area_->viewport() && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        place();
    return QScrollBar::eventFilter(watched, event);
}
