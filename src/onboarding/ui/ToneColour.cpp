#include "onboarding/ui/ToneColour.h"

#include "platform/gui/Palette.h"

QColor toneColour(SettingsRows::Tone tone) {
    switch (tone) {
    case SettingsRows::Tone::green: return Palette::current().hue(Palette::Hue::green);
    case SettingsRows::Tone::orange: return Palette::current().hue(Palette::Hue::orange);
    case SettingsRows::Tone::secondary: break;
    }
    return Palette::current().secondary();
}
