#include "platform/gui/Symbols.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QStringList>

#include <set>

namespace {

QStringList warnings;

void record(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        warnings << message;
}

// The opaque colours of a drawing, rounded to the channel's top bits so that the antialiased
// edges blend into few values.
std::set<QRgb> colours(const QString& name, const QColor& colour, const QColor& inner) {
    const QImage image = Symbols::pixmap(name, 48, colour, 1, inner).toImage();
    std::set<QRgb> found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255)
                found.insert(image.pixel(x, y) & 0xffe0e0e0);
    return found;
}

} // namespace

// Every drawing renders quietly in its colours: the one-colour drawings take no second colour,
// the filled ones cut their mark in the inner colour.
TEST(Symbols, EveryDrawingRendersInItsColoursWithoutWarnings) {
    const QtMessageHandler previous = qInstallMessageHandler(record);
    warnings.clear();
    const QColor red(0xff, 0, 0), blue(0, 0, 0xff);
    for (const QString& name : Symbols::names()) {
        const auto found = colours(name, red, blue);
        EXPECT_TRUE(found.count(qRgb(0xe0, 0, 0))) << name.toStdString();
        EXPECT_EQ(found.count(qRgb(0, 0, 0xe0)) == 1, name.endsWith(QLatin1String(".fill"))) << name.toStdString();
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings, QStringList());
}
