#pragma once
// The fonts the layouts were made for. Sizes are set in pixels so that the
// captions keep their sizes whatever the screen's logical DPI claims; every
// face is an outline font, so text grows with the screen's scale factor.

#include <QFont>

namespace lyrovan {

// Reads the system's font configuration in the background, for the
// window's text. It takes some milliseconds (3 to 4 of start-up on a real
// display), so the program calls this first of all, before the application
// object exists, and the two run side by side; not when the desktop passed
// a start-up token, which the application object takes out of the
// environment as it starts.
void PrepareFonts();

// Makes the program's fonts available (after PrepareFonts' work is done):
// its own outline stand-ins for MS Sans Serif and Terminal (compiled in), and Tahoma from the copy Debian's
// fonts-wine ships when the system lacks it. Safe to call more than once.
void LoadBundledFonts();

// The fonts below name the faces LoadBundledFonts found, so they are for
// after it.
//
// Tahoma at the given point size, or the nearest sans-serif font. Bold text
// comes from a face whose strokes are really heavier: where Tahoma is the
// fonts-wine copy, whose bold is drawn as thin as its regular, that is
// DejaVu Sans Condensed Bold, which keeps Tahoma Bold's widths.
QFont TahomaFont(double points, bool bold = false);
// The window's default font: MS Sans Serif 8.25, drawn by its stand-in
// "Lyrovan Sans" (the same glyphs and widths at 96 dpi).
QFont WindowFont();
// Terminal 9 for the chord diagram cells, drawn by "Lyrovan Terminal" (an
// 8 x 12 cell), else the nearest fixed-width font.
QFont TerminalFont();

} // namespace lyrovan
