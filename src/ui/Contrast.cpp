#include "Contrast.h"

#include <algorithm>
#include <cmath>

namespace lyrovan {

namespace {
double Linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}
} // namespace

double RelativeLuminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableTextOn(const QColor& back)
{
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return ContrastRatio(black, back) >= ContrastRatio(white, back) ? black : white;
}

QColor StandingOutOn(const QColor& back, const QColor& preferred, double ratio)
{
    if (ContrastRatio(preferred, back) >= ratio)
        return preferred;
    // Mixed towards black or white in steps of 1/64 until it stands out;
    // black or white itself has at least 4.5.
    const QColor target = ReadableTextOn(back);
    const QColor from = preferred.toRgb();
    const auto mix = [](int a, int b, int step) { return a + (b - a) * step / 64; };
    for (int step = 1; step < 64; ++step) {
        const QColor mixed(mix(from.red(), target.red(), step), mix(from.green(), target.green(), step),
                           mix(from.blue(), target.blue(), step));
        if (ContrastRatio(mixed, back) >= ratio)
            return mixed;
    }
    return target;
}

} // namespace lyrovan
