#pragma once
// Contrast between two colours as the web's accessibility guidelines
// define it: (lighter luminance + 0.05) / (darker luminance + 0.05), from 1
// (the same) to 21 (black on white). Text wants at least 4.5.

#include <QColor>

namespace lyrovan {

double RelativeLuminance(const QColor& colour);
double ContrastRatio(const QColor& a, const QColor& b);
// Black or white, whichever stands out more on back (always at least 4.5).
QColor ReadableTextOn(const QColor& back);
// preferred where it has at least ratio (up to 4.5) to back; else the shade
// nearest to it on the way to ReadableTextOn(back) that has.
QColor StandingOutOn(const QColor& back, const QColor& preferred, double ratio);

} // namespace lyrovan
