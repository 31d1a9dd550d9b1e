#pragma once

// A tint named by meaning; the widgets turn it into a colour of the current palette.
enum class Hue { accent, green, orange, gray, blue, primary, secondary, tertiary };
