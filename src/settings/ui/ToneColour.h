#pragma once

#include "platform/gui/Palette.h"
#include "settings/SettingsRows.h"

// The palette's tint of a settings label's tone: a label given it follows a change of appearance.
Palette::Ink toneColour(SettingsRows::Tone tone);
