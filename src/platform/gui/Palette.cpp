#include "platform/gui/Palette.h"

namespace {
bool currentIsDark = true;

QColor withAlpha(QColor colour, double opacity) {
    colour.setAlphaF(static_cast<float>(colour.alphaF() * opacity));
    return colour;
}
} // namespace

Palette Palette::dark() { return Palette(true); }

Palette Palette::light() { return Palette(false); }

const Palette& Palette::current() {
    static const Palette darkPalette = dark();
    static const Palette lightPalette = light();
    return currentIsDark ? darkPalette : lightPalette;
}

void Palette::setDark(bool dark) { currentIsDark = dark; }

QColor Palette::hue(Hue hue) const {
    switch (hue) {
    case Hue::accent:
        return dark_ ? QColor(10, 132, 255) : QColor(0, 122, 255);
    case Hue::red:
        return dark_ ? QColor(255, 69, 58) : QColor(255, 59, 48);
    case Hue::orange:
        return dark_ ? QColor(255, 159, 10) : QColor(255, 149, 0);
    case Hue::yellow:
        return dark_ ? QColor(255, 214, 10) : QColor(255, 204, 0);
    case Hue::green:
        return dark_ ? QColor(50, 215, 75) : QColor(40, 180, 60);
    case Hue::gray:
        return dark_ ? QColor(152, 152, 157) : QColor(142, 142, 147);
    case Hue::blue:
        return dark_ ? QColor(10, 132, 255) : QColor(0, 122, 255);
    }
    return {};
}

QColor Palette::tint(Tint tint) const {
    switch (tint) {
    case Tint::accent:
        return accent();
    case Tint::red:
        return hue(Hue::red);
    case Tint::orange:
        return hue(Hue::orange);
    case Tint::green:
        return hue(Hue::green);
    case Tint::gray:
        return hue(Hue::gray);
    case Tint::blue:
        return hue(Hue::blue);
    case Tint::primary:
        return text();
    case Tint::secondary:
        return secondary();
    case Tint::tertiary:
        return tertiary();
    }
    return {};
}

QColor Palette::primary(double opacity) const {
    return withAlpha(dark_ ? QColor(255, 255, 255) : QColor(0, 0, 0), opacity);
}

QColor Palette::window() const { return dark_ ? QColor(30, 30, 32) : QColor(236, 236, 238); }

QColor Palette::controlBackground() const { return dark_ ? QColor(44, 44, 46) : QColor(255, 255, 255); }

QColor Palette::material(Material material) const {
    // Over the window colour these read as the platform's frosted layers do without the blur.
    const double alpha = material == Material::thin ? 0.55 : material == Material::regular ? 0.78 : 0.92;
    return withAlpha(dark_ ? QColor(52, 52, 56) : QColor(252, 252, 253), alpha);
}

QLinearGradient Palette::accentGradient(const QRectF& rect) const {
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, accent().lighter(118));
    gradient.setColorAt(1, accent());
    return gradient;
}

QPalette Palette::qtPalette() const {
    QPalette colours;
    const QColor label = text();
    const QColor solidText = dark_ ? QColor(235, 235, 240) : QColor(28, 28, 30);
    colours.setColor(QPalette::Window, window());
    colours.setColor(QPalette::WindowText, solidText);
    colours.setColor(QPalette::Base, controlBackground());
    colours.setColor(QPalette::AlternateBase, dark_ ? QColor(50, 50, 53) : QColor(244, 244, 246));
    colours.setColor(QPalette::Text, solidText);
    colours.setColor(QPalette::Button, dark_ ? QColor(64, 64, 68) : QColor(250, 250, 252));
    colours.setColor(QPalette::ButtonText, solidText);
    colours.setColor(QPalette::Highlight, accent());
    colours.setColor(QPalette::HighlightedText, Qt::white);
    colours.setColor(QPalette::Link, accent());
    colours.setColor(QPalette::ToolTipBase, controlBackground());
    colours.setColor(QPalette::ToolTipText, solidText);
    colours.setColor(QPalette::PlaceholderText, secondary());
    colours.setColor(QPalette::Mid, dark_ ? QColor(80, 80, 84) : QColor(200, 200, 204));
    colours.setColor(QPalette::Dark, dark_ ? QColor(20, 20, 22) : QColor(160, 160, 164));
    colours.setColor(QPalette::Light, dark_ ? QColor(90, 90, 94) : QColor(255, 255, 255));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        QColor muted = label;
        muted.setAlphaF(0.3f);
        colours.setColor(QPalette::Disabled, role, muted);
    }
    return colours;
}

QColor Palette::Ink::colour() const { return byTint_ ? withAlpha(current().tint(tint_), opacity_) : fixed_; }
