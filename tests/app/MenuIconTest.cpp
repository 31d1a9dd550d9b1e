#include "app/MenuIcon.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <algorithm>

namespace {

QIcon greenIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(QColor(0, 200, 0));
    return QIcon(pixmap);
}

bool isBadgeRed(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) < 100 && qBlue(pixel) < 100; }

} // namespace

TEST(MenuIcon, BadgeGeometryFollowsTheCount) {
    const QFontMetricsF metrics = MenuIcon::badgeMetrics();
    struct Row {
        int count;
        QString text;
    };
    const Row rows[] = {{0, QString()},
                        {-4, QString()},
                        {1, QStringLiteral("1")},
                        {7, QStringLiteral("7")},
                        {9, QStringLiteral("9")},
                        {10, QStringLiteral("9+")},
                        {250, QStringLiteral("9+")}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.count);
        const MenuIcon::Layout layout = MenuIcon::layout(row.count, metrics);
        EXPECT_EQ(layout.text, row.text);
        EXPECT_DOUBLE_EQ(layout.image.height(), 18);
        if (row.text.isEmpty()) {
            EXPECT_FALSE(layout.badge);
            EXPECT_DOUBLE_EQ(layout.image.width(), 18);
            continue;
        }
        ASSERT_TRUE(layout.badge);
        const qreal tw = metrics.horizontalAdvance(row.text);
        const qreal w = std::max(tw + 5, 11.0);
        EXPECT_DOUBLE_EQ(layout.badge->width(), w);
        EXPECT_DOUBLE_EQ(layout.badge->height(), 11);
        EXPECT_DOUBLE_EQ(layout.image.width(), 18 + 0.55 * w);
        EXPECT_GE(layout.image.width(), 24.05 - 1e-9);
        // Flush with the top and right edges, overlapping the icon by 0.45 of its width.
        EXPECT_DOUBLE_EQ(layout.badge->top(), 0);
        EXPECT_DOUBLE_EQ(layout.badge->right(), layout.image.width());
        EXPECT_NEAR(18 - layout.badge->left(), 0.45 * w, 1e-9);
        // The text is centred and lifted half a point.
        EXPECT_DOUBLE_EQ(layout.textBox.center().x(), layout.badge->center().x());
        EXPECT_DOUBLE_EQ(layout.textBox.center().y(), layout.badge->center().y() - 0.5);
    }
    // "9+" is wider than 6 points in the heavy font, so its badge grows past the minimum.
    EXPECT_GT(MenuIcon::layout(10, metrics).badge->width(), 11);
    EXPECT_GE(MenuIcon::layout(1, metrics).badge->width(), 11);
}

TEST(MenuIcon, DrawsTheIconAndARedBadgeAtAnyScale) {
    const QImage plain = MenuIcon::image(0, greenIcon(), 2);
    EXPECT_EQ(plain.size(), QSize(36, 36));
    EXPECT_EQ(plain.deviceIndependentSize(), QSizeF(18, 18));
    EXPECT_EQ(qGreen(plain.pixel(18, 18)), 200);

    const MenuIcon::Layout layout = MenuIcon::layout(3, MenuIcon::badgeMetrics());
    const QImage badged = MenuIcon::image(3, greenIcon(), 2);
    EXPECT_NEAR(badged.deviceIndependentSize().width(), layout.image.width(), 0.5);
    // The badge's left rim is red; its middle holds the white digit or red.
    const QPoint rim((layout.badge->left() + 2) * 2, layout.badge->center().y() * 2);
    EXPECT_TRUE(isBadgeRed(badged.pixel(rim)));
    EXPECT_EQ(qGreen(badged.pixel(4, 30)), 200) << "the icon's lower left stays uncovered";

    // Without an icon the badge is drawn over nothing of the same geometry.
    const QImage bare = MenuIcon::image(3, QIcon(), 1);
    EXPECT_EQ(qAlpha(bare.pixel(4, 14)), 0);
    EXPECT_TRUE(isBadgeRed(bare.pixel(int(layout.badge->left() + 2), int(layout.badge->center().y()))));
}

TEST(MenuIcon, SquareVariantFitsTheWholeImageIntoTheTraySlot) {
    for (const int side : {16, 22, 48}) {
        SCOPED_TRACE(side);
        const QImage square = MenuIcon::square(12, greenIcon(), side);
        EXPECT_EQ(square.size(), QSize(side, side));
        // Wider than tall: centred vertically, so the top and bottom rows stay clear.
        EXPECT_EQ(qAlpha(square.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(square.pixel(side / 2, side - 1)), 0);
        int red = 0;
        for (int x = side / 2; x < side; ++x)
            red += isBadgeRed(square.pixel(x, side / 2 - side / 8)) ? 1 : 0;
        EXPECT_GT(red, 0) << "the badge sits in the right half";
        const QImage plain = MenuIcon::square(0, greenIcon(), side);
        EXPECT_EQ(qGreen(plain.pixel(1, 1)), 200) << "without a badge the icon fills the square";
    }
}
