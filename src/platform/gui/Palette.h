#pragma once

#include <QColor>
#include <QLinearGradient>
#include <QPalette>
#include <QRectF>

// The colours every view draws with, for the dark and the light appearance: the accent, the
// system hues, the primary colour at any opacity (label text is the primary colour at the label
// opacities), fills and the materials, which are translucent window colours.
class Palette {
public:
    enum class Hue { accent, red, orange, yellow, green, gray, blue };
    // What a view-model names; the widget asks the palette for the colour.
    enum class Tint { accent, red, orange, green, gray, blue, primary, secondary, tertiary };
    enum class Material { thin, regular, thick };
    class Ink;

    static Palette dark();
    static Palette light();
    // The palette of the appearance the application shows now (dark until told otherwise).
    static const Palette& current();
    static void setDark(bool dark);

    bool isDark() const { return dark_; }

    QColor hue(Hue hue) const;
    QColor tint(Tint tint) const;
    QColor accent() const { return hue(Hue::accent); }
    // White in the dark appearance, black in the light one, at `opacity`.
    QColor primary(double opacity = 1) const;
    // Label text: primary, secondary, tertiary and quaternary.
    QColor text() const { return primary(labelOpacity[0]); }
    QColor secondary() const { return primary(labelOpacity[1]); }
    QColor tertiary() const { return primary(labelOpacity[2]); }
    QColor quaternary() const { return primary(labelOpacity[3]); }
    QColor window() const;
    QColor controlBackground() const;
    QColor material(Material material = Material::regular) const;
    // The accent colour's gradient, lighter at the top of `rect`.
    QLinearGradient accentGradient(const QRectF& rect) const;
    // The same colours as a palette for the Fusion style's own controls.
    QPalette qtPalette() const;

private:
    explicit Palette(bool dark) : dark_(dark) {}
    static constexpr double labelOpacity[4] = {0.85, 0.55, 0.26, 0.12};
    bool dark_;
};

// A colour as a label keeps it: either as it is, or by its tint (at an opacity), read from the
// appearance showing whenever it is asked for, so a change of appearance recolours the label.
class Palette::Ink {
public:
    Ink(const QColor& fixed) : fixed_(fixed) {}
    Ink(Qt::GlobalColor fixed) : fixed_(fixed) {}
    Ink(Tint tint, double opacity = 1) : tint_(tint), opacity_(opacity), byTint_(true) {}

    QColor colour() const;
    // Whether the colour changes with the appearance.
    bool followsAppearance() const { return byTint_; }
    bool operator==(const Ink&) const = default;

private:
    QColor fixed_;
    Tint tint_ = Tint::primary;
    double opacity_ = 1;
    bool byTint_ = false;
};
