#include "FoldScreens.h"

#include "notch/IslandMorph.h"
#include "notch/ui/FoldOverlay.h"
#include "platform/gui/Palette.h"
#include "views/cards/AppCard.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

#include <cstdio>

namespace FoldScreens {

namespace {
class Window : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Palette::current().window()); }
};
} // namespace

bool render(const QString& theme, const QString& out, const QList<ScreenSamples::Sample>& samples) {
    // A 1920 × 1080 screen with a 28-point bar at its top; the window where it was opened.
    const QRectF screen(0, 0, 1920, 1080), work(0, 28, 1920, 1052), window(400, 180, 1120, 780);
    Window main;
    auto* column = new QVBoxLayout(&main);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(10);
    for (qsizetype i = 0; i < samples.size() && i < 7; ++i)
        column->addWidget(new AppCard(samples[i].item, nullptr, {}, &main));
    column->addStretch();
    main.resize(window.size().toSize());
    main.layout()->activate();
    QApplication::processEvents();

    const auto island = IslandMorph::folded(screen, work, {});
    FoldOverlay overlay({window, island.rect, IslandMorph::windowOutline(), island.outline, true, main.grab(), 0.1});
    const QRect area = FoldOverlay::area(window, island.rect);
    bool ok = true;
    const struct {
        const char* name;
        double t;
    } frames[] = {{"start", 0}, {"middle", 0.25}, {"end", 0.8}};
    for (const auto& frame : frames) {
        QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        QLinearGradient desktop(0, 0, 0, area.height());
        desktop.setColorAt(0, QColor(70, 96, 128));
        desktop.setColorAt(1, QColor(150, 110, 120));
        painter.fillRect(image.rect(), desktop);
        painter.fillRect(QRectF(0, -area.top(), area.width(), work.top()), QColor(20, 20, 24));
        overlay.paint(painter, frame.t);
        painter.end();
        const QString path = out + QStringLiteral("/fold-%1-%2.png").arg(QLatin1String(frame.name), theme);
        const bool saved = image.save(path);
        std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
        ok &= saved;
    }
    return ok;
}

} // namespace FoldScreens
