#include "views/kit/TourAnchors.h"

#include "runtime/MainThread.h"

#include <QList>
#include <QRect>

#include <functional>
#include <QPointer>

namespace {

struct Mark {
    QPointer<QWidget> widget;
    QString name;
    QMargins inset;
};

// Every mark of the process in the order made; a widget's later mark replaces its earlier one.
QList<Mark>& marks() {
    static QList<Mark> list;
    return list;
}

void forget(const std::function<bool(const Mark&)>& which) {
    marks().removeIf([&](const Mark& m) { return !m.widget || which(m); });
}

} // namespace

TourAnchors::TourAnchors(QWidget* root) : QObject(root), root_(root) {}

void TourAnchors::mark(QWidget* widget, const QString& name, QMargins inset) {
    QL_ASSERT_MAIN_THREAD();
    forget([widget](const Mark& m) { return m.widget == widget; });
    if (widget && !name.isEmpty())
        marks().append({widget, name, inset});
}

void TourAnchors::move(QWidget* widget, const QString& name) {
    QL_ASSERT_MAIN_THREAD();
    forget([&](const Mark& m) { return m.name == name || m.widget == widget; });
    if (widget)
        marks().append({widget, name, {}});
}

QHash<QString, QRectF> TourAnchors::collect(const QWidget* space) const {
    QHash<QString, QRectF> found;
    for (const Mark& m : std::as_const(marks())) {
        QWidget* widget = m.widget;
        if (!widget || !root_->isAncestorOf(widget) || !widget->isVisibleTo(root_))
            continue;
        const QPoint origin =
            widget->mapTo(space->window(), QPoint(0, 0)) - space->mapTo(space->window(), QPoint(0, 0));
        found.insert(m.name, QRectF(QRect(origin, widget->size()).marginsRemoved(m.inset)));
    }
    return found;
}
