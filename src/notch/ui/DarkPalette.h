#pragma once

#include "platform/gui/Palette.h"

// The island is dark whatever the application's appearance. The row parts it shares with the
// dashboard read the current palette while they are made and drawn, so the island's own
// refreshes and paints run inside one of these.
class DarkPalette {
public:
    DarkPalette() : was_(Palette::current().isDark()) { Palette::setDark(true); }
    ~DarkPalette() { Palette::setDark(was_); }
    DarkPalette(const DarkPalette&) = delete;
    DarkPalette& operator=(const DarkPalette&) = delete;

private:
    bool was_;
};
