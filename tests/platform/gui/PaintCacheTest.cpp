#include "platform/gui/PaintCache.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>

#include <algorithm>

namespace {
QImage canvas(double ratio) {
    QImage image(QSize(64, 48) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(30, 60, 90));
    return image;
}

int largestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return largest;
}
} // namespace

// A copy from the cache looks as the drawing made in place, wherever it lies between pixels,
// under a painter moved by a fraction, and on a double-density screen; a second use of the look
// is the same picture.
TEST(PaintCache, ACopyLooksAsTheDrawingMadeInPlace) {
    struct Case {
        QPointF at;
        QPointF shift;
        double ratio;
    };
    const Case cases[] = {
        {{4, 6}, {0, 0}, 1},     {{4.5, 6.25}, {0, 0}, 1}, {{3.3, 7.75}, {0, 0}, 1},
        {{4, 6}, {0.4, 0.6}, 1}, {{4.25, 6.5}, {0, 0}, 2}, {{3.3, 7.75}, {0.25, 0}, 2},
    };
    const QColor tint(250, 180, 40, 170);
    for (const Case& c : cases) {
        const QRectF shape(c.at, QSizeF(40.5, 21));
        const QRectF ring(c.at + QPointF(44, 2), QSizeF(14, 14));
        auto drawing = [&](QPainter& painter) {
            painter.setRenderHint(QPainter::Antialiasing);
            QPainterPath path;
            path.addRoundedRect(shape, shape.height() / 2, shape.height() / 2);
            painter.fillPath(path, tint);
            painter.setPen(QPen(tint, 2.5));
            painter.drawEllipse(ring.adjusted(1.25, 1.25, -1.25, -1.25));
        };
        auto paint = [&](bool cached) {
            QImage image = canvas(c.ratio);
            QPainter painter(&image);
            painter.translate(c.shift);
            if (cached)
                PaintCache::place(painter, QStringLiteral("test-drawing"), shape.united(ring), drawing);
            else
                drawing(painter);
            painter.end();
            return image;
        };
        const QImage direct = paint(false);
        const QImage first = paint(true);
        EXPECT_LE(largestDifference(first, direct), 2) << c.at.x() << "," << c.at.y() << " at " << c.ratio;
        EXPECT_EQ(paint(true), first) << c.at.x() << "," << c.at.y() << " at " << c.ratio;

        // A box under a gradient that follows the shape, either way up, with an edge inside it.
        for (const bool down : {true, false}) {
            QLinearGradient wash(down ? shape.topLeft() : shape.bottomLeft(),
                                 down ? shape.bottomLeft() : shape.topLeft());
            wash.setColorAt(0, Qt::white);
            wash.setColorAt(1, tint);
            auto box = [&](bool cached) {
                QImage image = canvas(c.ratio);
                QPainter painter(&image);
                painter.translate(c.shift);
                if (cached) {
                    PaintCache::fillRounded(painter, shape, 8, wash, Qt::black, 1.5);
                } else {
                    painter.setRenderHint(QPainter::Antialiasing);
                    QPainterPath path;
                    path.addRoundedRect(shape, 8, 8);
                    painter.fillPath(path, wash);
                    painter.setPen(QPen(Qt::black, 1.5));
                    painter.drawRoundedRect(shape.adjusted(0.75, 0.75, -0.75, -0.75), 7.25, 7.25);
                }
                painter.end();
                return image;
            };
            EXPECT_LE(largestDifference(box(true), box(false)), 2) << c.at.x() << "," << c.at.y() << " at " << c.ratio;
        }
    }
}

// A widget repainting a few changed parts copies the cached look once per part: inside the parts
// it reads as the whole repainted, and nothing outside them is touched.
TEST(PaintCache, ARepaintOfSeveralPartsCopiesThemAsTheWhole) {
    class Box : public QWidget {
    protected:
        void paintEvent(QPaintEvent*) override {
            QPainter painter(this);
            PaintCache::fillRounded(painter, QRectF(3.5, 2.25, 50, 40), 9, QColor(250, 180, 40, 170), Qt::black);
        }
    } box;
    box.resize(64, 48);
    const auto rendered = [&box](const QRegion& parts) {
        QImage image = canvas(1);
        box.render(&image, QPoint(), parts, QWidget::RenderFlags());
        return image;
    };
    const QImage whole = rendered(QRegion(0, 0, 64, 48));
    const QRegion parts = QRegion(0, 0, 20, 12) + QRegion(30, 20, 34, 28);
    const QImage some = rendered(parts);
    const QImage untouched = canvas(1);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(some.pixel(x, y), (parts.contains(QPoint(x, y)) ? whole : untouched).pixel(x, y))
                << x << "," << y;
}
