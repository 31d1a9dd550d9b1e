#include "views/kit/ButtonStyle.h"

#include "platform/gui/Palette.h"

namespace ButtonStyle {

namespace {
// Disabled, the fill gives way to the faint grey of an idle control: a paler accent still reads
// as a button to press.
QString filled(const QColor& fill) {
    const Palette& palette = Palette::current();
    return QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 6px;"
                          " padding: 4px 12px; font-weight: 600; }"
                          "QPushButton:pressed { background: %2; }"
                          "QPushButton:disabled { background: %3; color: %4; }")
        .arg(fill.name(), fill.darker(115).name(), palette.primary(0.08).name(QColor::HexArgb),
             palette.tertiary().name(QColor::HexArgb));
}
} // namespace

QString prominent() { return filled(Palette::current().accent()); }

QString destructive() { return filled(Palette::current().hue(Palette::Hue::red)); }

QString bordered() {
    const Palette& palette = Palette::current();
    return QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 6px;"
                          " padding: 4px 12px; }"
                          "QPushButton:pressed { background: %3; }")
        .arg(palette.primary(0.1).name(QColor::HexArgb), palette.text().name(QColor::HexArgb),
             palette.primary(0.18).name(QColor::HexArgb));
}

QString menu() {
    const Palette& palette = Palette::current();
    return QStringLiteral(
               "QToolButton { background: %1; color: %2; border: none; border-radius: 6px; padding: 4px 8px; }")
        .arg(palette.primary(0.08).name(QColor::HexArgb), palette.text().name(QColor::HexArgb));
}

} // namespace ButtonStyle
