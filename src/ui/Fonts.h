#pragma once
// The fonts the layouts were made for. Sizes are set in pixels so that the
// captions keep their sizes whatever the screen's logical DPI claims.

#include <QFont>

namespace lyrovan {

// Makes Tahoma and MS Sans Serif available when the system lacks them, from
// the copies Debian's fonts-wine ships. Safe to call more than once.
void LoadBundledFonts();

// Tahoma at the given point size, or the nearest sans-serif font.
QFont TahomaFont(double points, bool bold = false);
// The window's default font (MS Sans Serif 8.25, else Tahoma 8.25).
QFont WindowFont();
// Terminal 9 for the chord diagram cells, else the nearest fixed-width font.
QFont TerminalFont();

} // namespace lyrovan
