#pragma once
// The window layouts are given in twips; the screen works in pixels at
// 15 twips per pixel (96 dots per inch).

#include <QPoint>
#include <QRect>
#include <cmath>

namespace lyrovan {

inline constexpr int TwipsPerPixel = 15;

constexpr int Px(int twips)
{
    // Round half away from zero so negative offsets mirror positive ones.
    return twips >= 0 ? (twips + TwipsPerPixel / 2) / TwipsPerPixel
                      : -((-twips + TwipsPerPixel / 2) / TwipsPerPixel);
}

inline QRect TwipRect(int left, int top, int width, int height)
{
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

inline QRect TwipRect(const QRect& twips)
{
    return TwipRect(twips.x(), twips.y(), twips.width(), twips.height());
}

inline QPoint TwipPoint(int x, int y)
{
    return QPoint(Px(x), Px(y));
}

// A font size in points as whole pixels at 96 dots per inch (8.25 pt -> 11 px).
inline int PointsToPixels(double points)
{
    return static_cast<int>(std::lround(points * 96.0 / 72.0));
}

} // namespace lyrovan
