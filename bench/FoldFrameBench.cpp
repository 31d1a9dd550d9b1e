// One frame of the main window folding into the island: the overlay clears its surface and
// paints the 1120 × 780 picture inside the morph's shape, with the shadow and the outline. The
// morph runs at the display's pace, so a frame must fit well inside 16 ms (aim: under 4 ms).
#include "notch/IslandMorph.h"
#include "notch/ui/FoldOverlay.h"

#include <benchmark/benchmark.h>

#include <QLinearGradient>
#include <QPainter>

namespace {

// A picture with the detail of a real window: a gradient, rows of text, rounded cards.
QPixmap windowPicture() {
    QPixmap picture(1120, 780);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 1120, 780);
    gradient.setColorAt(0, QColor(40, 44, 52));
    gradient.setColorAt(1, QColor(24, 26, 30));
    painter.fillRect(picture.rect(), gradient);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int row = 0; row < 12; ++row) {
        painter.setBrush(QColor(60, 64, 72));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(240, 80 + row * 58, 840, 48), 10, 10);
        painter.setPen(Qt::white);
        painter.drawText(QPointF(260, 110 + row * 58), QStringLiteral("Application %1  2.%1 → 3.0").arg(row));
    }
    return picture;
}

FoldOverlay& overlay(bool closing) {
    static const QPixmap picture = windowPicture();
    const QRectF window(400, 150, 1120, 780), island(885, 36, 150, 34);
    static FoldOverlay folding(
        {window, island, IslandMorph::windowOutline(), IslandMorph::foldedIsland(false), true, picture, 0.1});
    static FoldOverlay growing(
        {island, window, IslandMorph::foldedIsland(false), IslandMorph::windowOutline(), false, picture, 0.1});
    return closing ? folding : growing;
}

// Every frame of one 0.56 s run at 60 Hz in turn; the argument is 1 for the fold, 0 for growing.
void PaintOverlayFrame(benchmark::State& state) {
    FoldOverlay& morph = overlay(state.range(0) == 1);
    QImage surface(morph.size(), QImage::Format_ARGB32_Premultiplied);
    constexpr int frames = 34;
    int frame = 0;
    for (auto _ : state) {
        surface.fill(Qt::transparent);
        QPainter painter(&surface);
        morph.paint(painter, double(frame) / (frames - 1));
        painter.end();
        benchmark::DoNotOptimize(surface.constBits());
        frame = (frame + 1) % frames;
    }
}
BENCHMARK(PaintOverlayFrame)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The heaviest frames: the fold's first (the whole picture at its own size) and the growth's
// overshoot (the whole picture, opaque, filtered to a slightly larger size). Argument: t in %.
void PaintHeaviestFrame(benchmark::State& state) {
    FoldOverlay& morph = overlay(state.range(0) == 0);
    QImage surface(morph.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        surface.fill(Qt::transparent);
        QPainter painter(&surface);
        morph.paint(painter, state.range(0) / 100.0);
        painter.end();
        benchmark::DoNotOptimize(surface.constBits());
    }
}
BENCHMARK(PaintHeaviestFrame)->Arg(0)->Arg(70)->Unit(benchmark::kMillisecond);

} // namespace
