#include "settings/ui/ToneColour.h"

Palette::Ink toneColour(SettingsRows::Tone tone) {
    switch (tone) {
    case SettingsRows::Tone::green:
        return Palette::Tint::green;
    case SettingsRows::Tone::orange:
        return Palette::Tint::orange;
    case SettingsRows::Tone::secondary:
        break;
    }
    return Palette::Tint::secondary;
}
