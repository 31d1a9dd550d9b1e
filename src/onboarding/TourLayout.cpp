#include "onboarding/TourLayout.h"

#include <QCoreApplication>

namespace TourLayout {

namespace {
QString tr(const char* text) { return QCoreApplication::translate("TourOverlay", text); }
} // namespace

QRectF spotlight(const QHash<QString, QRectF>& anchors, const QString& anchor, QSizeF size) {
    const auto found = anchors.constFind(anchor);
    if (found == anchors.constEnd())
        return QRectF(size.width() * 0.5, size.height() * 0.5, 0, 0);
    return found->adjusted(-padding, -padding, padding, padding);
}

QPointF cardOffset(const QRectF& rect, QSizeF size, bool top) {
    const double w = size.width(), h = size.height();
    if (rect.width() == 0)
        return {(w - wideCard) * 0.5, top ? 40 : h * 0.42};
    double x = rect.center().x() - narrowCard / 2;
    if (x <= 16)
        x = 16;
    if (w - narrowCard - 16 < x)
        x = w - narrowCard - 16;
    double y = rect.bottom() + 14;
    if (!(y + placedHeight < h - 12)) {
        y = rect.top() - placedHeight - 14;
        if (y <= 12)
            y = 12;
    }
    return {x, y};
}

double cardWidth(const Tour::Step& step) { return step.notch || step.menuBar ? wideCard : narrowCard; }

QString counter(int n) { return tr("%1 of %2").arg(n + 1).arg(Tour::steps().size()); }

QString cardName(const Tour::Step& step, int n) {
    return tr("Tour, step %1 of %2: ").arg(n + 1).arg(Tour::steps().size()) + step.title;
}

QString body(const Tour::Step& step, bool showMenuBar) {
    if (step.menuBar && !showMenuBar)
        return step.body + tr(" It's off now: turn it on in Settings › General.");
    return step.body;
}

QString forward(int n) { return n == Tour::steps().size() - 1 ? tr("Done") : tr("Next"); }

} // namespace TourLayout
