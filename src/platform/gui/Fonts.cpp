#include "platform/gui/Fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

namespace Fonts {

namespace {
// Qt sizes fonts in points of 1/72 inch; the sizes here are pixels.
QFont sized(QFont font, double pixels, QFont::Weight weight) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    font.setPointSizeF(pixels * 72.0 / dpi);
    font.setWeight(weight);
    return font;
}
} // namespace

QFont font(Role role) {
    switch (role) {
    case Role::title:
        return system(22, QFont::Normal);
    case Role::title3:
        return system(15, QFont::Normal);
    case Role::headline:
        return system(13, QFont::DemiBold);
    case Role::body:
        return system(13);
    case Role::callout:
        return system(12);
    case Role::subheadline:
        return system(11);
    case Role::caption:
        return system(10);
    }
    return system(13);
}

QFont system(double size, QFont::Weight weight) {
    return sized(QFontDatabase::systemFont(QFontDatabase::GeneralFont), size, weight);
}

QFont monospaced(double size, QFont::Weight weight) {
    return sized(QFontDatabase::systemFont(QFontDatabase::FixedFont), size, weight);
}

} // namespace Fonts
