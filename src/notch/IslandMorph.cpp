#include "notch/IslandMorph.h"

#include <algorithm>
#include <cmath>

namespace IslandMorph {

Outline windowOutline() { return {0, 18, 18}; }
Outline expandedIsland(bool notched) { return notched ? Outline{12, 0, 30} : Outline{0, 28, 28}; }
Outline foldedIsland(bool notched) { return notched ? Outline{12, 0, 10} : Outline{0, 17, 17}; }

Folded folded(const QRectF& screenFrame, const QRectF& workArea, const QSizeF& notch) {
    const double midX = screenFrame.center().x();
    if (notch.height() > 0)
        return {QRectF(midX - notch.width() / 2 - 12, screenFrame.top(), notch.width() + 24, notch.height()),
                foldedIsland(true), true};
    return {QRectF(midX - 75, workArea.top() + 8, 150, 34), foldedIsland(false), false};
}

double progress(double s) {
    // The step response of response 0.4 s, damping 0.78: decay ζω, damped frequency ω√(1 − ζ²).
    constexpr double decay = 12.252211349000193;
    constexpr double frequency = 9.829721617963797;
    constexpr double sine = 1.2464454055961567;
    return 1 - std::exp(-decay * s) * (std::cos(frequency * s) + sine * std::sin(frequency * s));
}

double smoothstep(double x) {
    const double c = std::clamp(x, 0.0, 1.0);
    return c * c * (3 - 2 * c);
}

QPainterPath outline(const QRectF& rect, const Outline& o) {
    const double e = o.ear, T = o.top, D = std::abs(o.top - o.ear);
    const double r = std::max(0.0, std::min({o.bottom, (rect.height() - D) / 2, (rect.width() - 2 * e) / 2}));
    const double left = rect.left(), right = rect.right(), top = rect.top(), bottom = rect.bottom();
    QPainterPath path(QPointF(left + T, top));
    path.lineTo(right - T, top);
    path.quadTo(right - e, top, right - e, top + D);
    path.lineTo(right - e, bottom - r);
    path.quadTo(right - e, bottom, right - e - r, bottom);
    path.lineTo(left + e + r, bottom);
    path.quadTo(left + e, bottom, left + e, bottom - r);
    path.lineTo(left + e, top + D);
    path.quadTo(left + e, top, left + T, top);
    path.closeSubpath();
    return path;
}

namespace {
double mix(double a, double b, double f) { return a + (b - a) * f; }
} // namespace

Frame frame(const QRectF& from, const QRectF& to, const Outline& a, const Outline& b, bool closing, double t) {
    const double p = progress(duration * t);
    const double q = std::clamp(p, 0.0, 1.0);
    Frame f;
    f.rect = QRectF(mix(from.x(), to.x(), p), mix(from.y(), to.y(), p), mix(from.width(), to.width(), p),
                    mix(from.height(), to.height(), p));
    f.outline = {mix(a.ear, b.ear, q), mix(a.top, b.top, q), mix(a.bottom, b.bottom, q)};
    if (closing) {
        f.picture = 1 - smoothstep(t / 0.35);
        f.border = smoothstep((t - 0.5) / 0.3);
        f.shadow = 0.45 * (1 - smoothstep(t / 0.8));
        f.overlay = 1 - smoothstep((t - 0.82) / 0.18);
    } else {
        f.picture = smoothstep((t - 0.12) / 0.5);
        f.border = 1 - smoothstep(t / 0.3);
    }
    f.island = 1 - smoothstep(t / 0.22);
    return f;
}

} // namespace IslandMorph
