#include "views/kit/OverlayScroller.h"

#include "platform/gui/Palette.h"
#include "views/kit/OnAppearance.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QPointer>

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

OverlayScroller::OverlayScroller(QAbstractScrollArea* area)
    : QScrollBar(Qt::Vertical, area), viewport_(area->viewport()) {
    // Thin, without arrows, a rounded handle on a clear track.
    OnAppearance::styleSheet(this, [] {
        return QStringLiteral(
                   "QScrollBar:vertical { width: 8px; background: transparent; margin: 0; }"
                   "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 32px;"
                   " margin: 0 1px; }"
                   "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                   "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
            .arg(Palette::current().primary(0.3).name(QColor::HexArgb));
    });
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The area may change its bar's range while it is torn down, after this bar has gone.
    area->setVerticalScrollBar(new Source([self = QPointer<OverlayScroller>(this)] {
        if (self)
            self->follow();
    }));
    source_ = area->verticalScrollBar();
    connect(this, &QScrollBar::valueChanged, source_, &QScrollBar::setValue);
    viewport_->installEventFilter(this);
    follow();
}

void OverlayScroller::follow() {
    const QScrollBar* source = source_;
    if (!source)
        return;
    setRange(source->minimum(), source->maximum());
    setPageStep(source->pageStep());
    setSingleStep(source->singleStep());
    setValue(source->value());
    const bool overflows = source->maximum() > source->minimum();
    if (overflows != isVisibleTo(parentWidget())) {
        setVisible(overflows);
        place();
    }
}

void OverlayScroller::place() {
    if (!viewport_)
        return;
    const QRect view = viewport_->geometry();
    const int width = sizeHint().width();
    setGeometry(view.right() + 1 - width, view.top(), width, view.height());
    raise();
}

bool OverlayScroller::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        place();
    return QScrollBar::eventFilter(watched, event);
}
