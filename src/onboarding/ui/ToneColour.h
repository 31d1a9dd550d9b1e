#pragma once

#include "onboarding/SettingsRows.h"

#include <QColor>

// The palette's colour of a settings label's tone, asked again at each refresh so it follows a
// change of appearance.
QColor toneColour(SettingsRows::Tone tone);
