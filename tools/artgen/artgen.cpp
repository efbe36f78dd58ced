// artgen: draws Lyrovan's pictures (the guitar neck, the program icon and the
// toolbar pictures) and writes them as PNG files into a folder.
//
// The pictures are committed under resources/ and compiled into the program;
// the build does not run this tool. After changing it, regenerate them with
//
//     build-dir/tools/artgen/artgen resources
//
// from the source folder and commit the changed PNGs. The output is the same,
// byte for byte, on every run: all "randomness" comes from a fixed-seed
// generator.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPen>
#include <QPolygonF>
#include <QTransform>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Deterministic noise

// splitmix64: small, fast and the same everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

private:
    std::uint64_t m_state;
};

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

// Value noise on a lattice, smoothly interpolated; values in [0, 1].
class ValueNoise {
public:
    ValueNoise(int width, int height, std::uint64_t seed) : m_width(width), m_height(height)
    {
        Random random(seed);
        m_values.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (double& v : m_values)
            v = random.uniform();
    }

    double at(double x, double y) const
    {
        const double fx = std::floor(x);
        const double fy = std::floor(y);
        const int x0 = static_cast<int>(fx);
        const int y0 = static_cast<int>(fy);
        const double tx = smooth(x - fx);
        const double ty = smooth(y - fy);
        const double a = lattice(x0, y0) + (lattice(x0 + 1, y0) - lattice(x0, y0)) * tx;
        const double b = lattice(x0, y0 + 1) + (lattice(x0 + 1, y0 + 1) - lattice(x0, y0 + 1)) * tx;
        return a + (b - a) * ty;
    }

private:
    double lattice(int x, int y) const
    {
        const int wx = ((x % m_width) + m_width) % m_width;
        const int wy = ((y % m_height) + m_height) % m_height;
        return m_values[static_cast<std::size_t>(wy) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(wx)];
    }

    int m_width;
    int m_height;
    std::vector<double> m_values;
};

// ---------------------------------------------------------------------------
// Floating-point RGB canvas for the neck

struct Rgb {
    double r = 0;
    double g = 0;
    double b = 0;
};

Rgb operator*(Rgb c, double k) { return {c.r * k, c.g * k, c.b * k}; }
Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb mix(Rgb a, Rgb b, double t) { return a * (1.0 - t) + b * t; }

class Canvas {
public:
    Canvas(int width, int height)
        : m_width(width), m_height(height), m_pixels(static_cast<std::size_t>(width * height))
    {
    }

    int width() const { return m_width; }
    int height() const { return m_height; }
    Rgb& at(int x, int y) { return m_pixels[static_cast<std::size_t>(y * m_width + x)]; }

    // Paints c over pixel (x, y) with the given coverage.
    void blend(int x, int y, Rgb c, double coverage)
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height || coverage <= 0.0)
            return;
        at(x, y) = mix(at(x, y), c, std::min(coverage, 1.0));
    }

    QImage toImage() const
    {
        QImage image(m_width, m_height, QImage::Format_RGB888);
        for (int y = 0; y < m_height; ++y) {
            uchar* line = image.scanLine(y);
            for (int x = 0; x < m_width; ++x) {
                const Rgb& c = m_pixels[static_cast<std::size_t>(y * m_width + x)];
                line[3 * x + 0] = toByte(c.r);
                line[3 * x + 1] = toByte(c.g);
                line[3 * x + 2] = toByte(c.b);
            }
        }
        return image;
    }

private:
    static uchar toByte(double v) { return static_cast<uchar>(std::clamp(std::lround(v), 0L, 255L)); }

    int m_width;
    int m_height;
    std::vector<Rgb> m_pixels;
};

// ---------------------------------------------------------------------------
// The neck
//
// Other code places note markers over this picture, so its layout is fixed:
// 637 x 69 pixels, binding in rows 0-3 and 65-68, strings on the rows below,
// the nut in columns 1-3 and 4-pixel fret wires starting at the columns below.

constexpr int kNeckWidth = 637;
constexpr int kNeckHeight = 69;
constexpr std::array<int, 6> kStringRows = {5, 16, 28, 39, 51, 63};
constexpr std::array<int, 21> kFretStarts = {52, 103, 148, 191, 233, 273, 311, 345, 377, 406, 432,
    457, 481, 502, 523, 543, 562, 580, 598, 616, 632};
constexpr int kFretWidth = 4;
constexpr int kNutFirst = 1;
constexpr int kNutLast = 3;
constexpr int kBoardTop = 4;
constexpr int kBoardBottom = 64;

// The picture is shown about 1.2 times wider and 1.9 times taller than it is;
// an inlay this much wider than tall in pixels looks round on screen.
constexpr double kInlayAspect = 1.59;

const Rgb kRosewood{58, 34, 24};
const Rgb kRosewoodLight{92, 56, 38};
const Rgb kRosewoodDark{26, 14, 10};
const Rgb kBinding{228, 216, 186};
const Rgb kBone{238, 230, 206};
const Rgb kNickel{214, 216, 212};

// Every neck function draws at a scale s (1 or 2): the layout above in
// pixels of the 1x picture, each of them s x s pixels of the canvas. At s 1
// the arithmetic is exactly that of the 1x picture.

// Blends c over the s x s canvas pixels of 1x pixel (x, y).
void blendBlock(Canvas& canvas, int x, int y, int s, Rgb c, double coverage)
{
    for (int dy = 0; dy < s; ++dy)
        for (int dx = 0; dx < s; ++dx)
            canvas.blend(x * s + dx, y * s + dy, c, coverage);
}

void drawFingerboard(Canvas& canvas, int s)
{
    // Grain runs along the neck: noise stretched far along x, barely along y.
    const ValueNoise broad(64, 96, 0x5EED0001);
    const ValueNoise fine(256, 96, 0x5EED0002);
    const double middle = (kBoardTop + kBoardBottom) / 2.0;
    const double halfHeight = (kBoardBottom - kBoardTop) / 2.0;
    for (int y = kBoardTop * s; y < (kBoardBottom + 1) * s; ++y) {
        const double py = y / double(s);
        // The board is slightly rounded: a little darker towards the edges.
        const double d = (py - middle) / halfHeight;
        const double curve = 1.0 - 0.16 * d * d;
        for (int x = 0; x < canvas.width(); ++x) {
            const double px = x / double(s);
            // Streaks wander a little up and down along their length.
            const double wander = 1.5 * std::sin(px / 53.0 + py * 0.21);
            const double yy = py + wander;
            const double streak = broad.at(px / 97.0, yy * 0.55);
            const double detail = fine.at(px / 23.0, yy * 1.3);
            double t = 0.62 * streak + 0.38 * detail;
            t = std::clamp((t - 0.5) * 1.7 + 0.5, 0.0, 1.0);
            Rgb c = t < 0.5 ? mix(kRosewoodDark, kRosewood, t * 2.0)
                            : mix(kRosewood, kRosewoodLight, (t - 0.5) * 2.0);
            canvas.at(x, y) = c * curve;
        }
    }

    // Open pores: short dark dashes along the grain.
    Random random(0x5EED0003);
    for (int i = 0; i < 520; ++i) {
        const int x = static_cast<int>(random.uniform() * kNeckWidth);
        const int y = kBoardTop + static_cast<int>(random.uniform() * (kBoardBottom - kBoardTop + 1));
        const int length = 2 + static_cast<int>(random.uniform() * 7.0);
        const double depth = 0.25 + 0.3 * random.uniform();
        for (int k = 0; k < length; ++k) {
            // Tapered ends so that the dashes do not look cut off.
            const double taper = std::sin(3.14159265 * (k + 0.5) / length);
            blendBlock(canvas, x + k, y, s, kRosewoodDark * 0.7, depth * taper);
        }
    }
}

void drawBinding(Canvas& canvas, int s)
{
    // Shade per row from the outside edge in: a rounded strip with a dark seam
    // where it meets the fingerboard.
    const std::array<double, 4> shade = {0.78, 0.98, 0.93, 0.70};
    const ValueNoise tone(64, 8, 0x5EED0004);
    for (int i = 0; i < 4; ++i) {
        for (int sub = 0; sub < s; ++sub) {
            const int top = i * s + sub;
            const int bottom = kNeckHeight * s - 1 - top;
            for (int x = 0; x < canvas.width(); ++x) {
                const double v = 0.96 + 0.06 * tone.at(x / double(s) / 31.0, i);
                canvas.at(x, top) = kBinding * (shade[static_cast<std::size_t>(i)] * v);
                canvas.at(x, bottom) = kBinding * (shade[static_cast<std::size_t>(i)] * v);
            }
        }
    }
}

void drawNut(Canvas& canvas, int s)
{
    // Column 0 is the shadowed end of the board beyond the nut.
    for (int x = 0; x < s; ++x)
        for (int y = 0; y < canvas.height(); ++y)
            canvas.at(x, y) = canvas.at(x, y) * 0.45;
    const std::array<double, 3> shade = {1.0, 0.95, 0.80};
    for (int x = kNutFirst * s; x < (kNutLast + 1) * s; ++x)
        for (int y = 0; y < canvas.height(); ++y)
            canvas.at(x, y) = kBone * shade[static_cast<std::size_t>(x / s - kNutFirst)];
    // The nut throws a short shadow onto the board.
    for (int x = (kNutLast + 1) * s; x < (kNutLast + 2) * s; ++x)
        for (int y = kBoardTop * s; y < (kBoardBottom + 1) * s; ++y)
            canvas.at(x, y) = canvas.at(x, y) * 0.55;
}

void drawFrets(Canvas& canvas, int s)
{
    // A rounded crown lit from the upper left: light centre, darker edges.
    const std::array<double, kFretWidth> shade = {0.68, 1.12, 0.94, 0.58};
    for (int start : kFretStarts) {
        for (int y = 0; y < canvas.height(); ++y) {
            const bool overBinding = y / s < kBoardTop || y / s > kBoardBottom;
            for (int i = 0; i < kFretWidth * s; ++i) {
                double k = shade[static_cast<std::size_t>(i / s)];
                if (overBinding)
                    k *= 0.93;
                canvas.at(start * s + i, y) = kNickel * k;
            }
            if (!overBinding) {
                for (int j = 0; j < s; ++j) {
                    canvas.blend(start * s - 1 - j, y, kRosewoodDark * 0.5, 0.35);
                    canvas.blend((start + kFretWidth) * s + j, y, kRosewoodDark * 0.5, 0.65);
                }
            }
        }
    }
}

// Mother-of-pearl dot centred on (cx, cy) with vertical radius ry (canvas
// pixel coordinates, a pixel covering [x, x+1) x [y, y+1)).
void drawInlay(Canvas& canvas, double cx, double cy, double ry, std::uint64_t seed, int s)
{
    const double rx = ry * kInlayAspect;
    const ValueNoise shimmer(16, 16, seed);
    const Rgb pearl{234, 230, 218};
    const Rgb pink{240, 206, 214};
    const Rgb green{200, 230, 216};
    const Rgb blue{196, 212, 240};
    constexpr int kSamples = 4;
    for (int y = static_cast<int>(cy - ry) - 1; y <= static_cast<int>(cy + ry) + 1; ++y) {
        for (int x = static_cast<int>(cx - rx) - 1; x <= static_cast<int>(cx + rx) + 1; ++x) {
            int inside = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double px = x + (sx + 0.5) / kSamples;
                    const double py = y + (sy + 0.5) / kSamples;
                    const double dx = (px - cx) / rx;
                    const double dy = (py - cy) / ry;
                    if (dx * dx + dy * dy <= 1.0)
                        ++inside;
                }
            }
            if (inside == 0)
                continue;
            // Iridescent patches across the dot, lighter towards the top left.
            const double n1 = shimmer.at(x / double(s) * 0.45, y / double(s) * 0.7);
            const double n2 = shimmer.at(x / double(s) * 0.45 + 7.3, y / double(s) * 0.7 + 3.1);
            Rgb c = mix(pearl, n1 < 0.5 ? pink : green, std::min(1.0, std::abs(n1 - 0.5) * 1.8));
            c = mix(c, blue, std::min(1.0, std::max(0.0, n2 - 0.45) * 1.6));
            const double light = 1.0 - 0.10 * ((x + 0.5 - cx) / rx + (y + 0.5 - cy) / ry);
            canvas.blend(x, y, c * light, inside / double(kSamples * kSamples));
        }
    }
}

// The fret space f lies between wire f-1 (or the nut) and wire f.
double fretSpaceCentre(int fret)
{
    const int first = fret == 1 ? kNutLast + 1 : kFretStarts[static_cast<std::size_t>(fret - 2)] + kFretWidth;
    const int last = kFretStarts[static_cast<std::size_t>(fret - 1)] - 1;
    return (first + last + 1) / 2.0;
}

void drawInlays(Canvas& canvas, int s)
{
    // Centred between strings 3 and 4 (rows 28 and 39), clear of both.
    const double middle = (kStringRows[2] + 1 + kStringRows[3]) / 2.0;
    std::uint64_t seed = 0x5EED0100;
    for (int fret : {3, 5, 7, 9, 15, 17, 19, 21})
        drawInlay(canvas, fretSpaceCentre(fret) * s, middle * s, 3.0 * s, ++seed, s);
    // The octave: two smaller dots, between strings 2-3 and 4-5.
    drawInlay(canvas, fretSpaceCentre(12) * s, (middle - 11.5) * s, 2.5 * s, ++seed, s);
    drawInlay(canvas, fretSpaceCentre(12) * s, (middle + 11.5) * s, 2.5 * s, ++seed, s);
}

struct StringLook {
    double thickness; // in pixels; rows above and below the centre get the excess
    bool wound;
};

void drawStrings(Canvas& canvas, int s)
{
    // Plain steel for 1-3, bronze-wound for 4-6.
    const std::array<StringLook, 6> looks = {
        {{1.0, false}, {1.0, false}, {1.5, false}, {2.2, true}, {2.6, true}, {3.0, true}}};
    const Rgb steel{214, 218, 224};
    const Rgb steelHighlight{250, 252, 255};
    const Rgb bronze{178, 150, 108};
    const Rgb bronzeHighlight{246, 232, 200};
    const Rgb bronzeShade{112, 88, 58};

    for (std::size_t k = 0; k < kStringRows.size(); ++k) {
        const int row = kStringRows[k];
        const StringLook look = looks[k];
        const double edge = (look.thickness - 1.0) / 2.0; // coverage of the rows above and below
        const int edgeRows = static_cast<int>(std::ceil(edge * s));
        for (int x = kNutFirst * s; x < canvas.width(); ++x) {
            // Shadow cast onto the board just below the string.
            const int shadowRow = row + (edge > 0.0 ? 2 : 1);
            if (shadowRow >= kBoardTop && shadowRow <= kBoardBottom)
                for (int j = 0; j < s; ++j)
                    canvas.blend(x, shadowRow * s + j, kRosewoodDark * 0.4, 0.22 + 0.15 * edge);

            // The winding shows as a faint ripple along the string.
            const double ripple = ((x / s) % 3 == 0) ? 0.9 : 1.0;
            const Rgb centre = look.wound ? mix(bronze, bronzeHighlight, 0.75) * (0.96 + 0.04 * ripple)
                                          : mix(steel, steelHighlight, 0.5);
            const Rgb above = look.wound ? bronze * ripple : steel * 0.85;
            const Rgb below = look.wound ? bronzeShade * ripple : steel * 0.6;
            for (int j = 0; j < s; ++j)
                canvas.at(x, row * s + j) = centre;
            for (int j = 1; j <= std::max(edgeRows, 1); ++j) {
                const double coverage = std::clamp(edge * s - (j - 1), 0.0, 1.0);
                canvas.blend(x, row * s - j, above, coverage);
                canvas.blend(x, (row + 1) * s - 1 + j, below, coverage);
            }
        }
    }
}

QImage neckPicture(int s)
{
    Canvas canvas(kNeckWidth * s, kNeckHeight * s);
    drawFingerboard(canvas, s);
    drawBinding(canvas, s);
    drawInlays(canvas, s);
    drawNut(canvas, s);
    drawFrets(canvas, s);
    drawStrings(canvas, s);
    return canvas.toImage();
}

// ---------------------------------------------------------------------------
// Small 16-colour pictures
//
// Drawn pixel by pixel in the standard 16-colour palette so that they stay
// crisp. Fuchsia is the transparent key colour, as in the old icon editors.

enum Vga : uchar {
    Black, Maroon, Green, Olive, Navy, Purple, Teal, Silver,
    Grey, Red, Lime, Yellow, Blue, Clear, Aqua, White
};

QList<QRgb> vgaColourTable()
{
    return {qRgb(0x00, 0x00, 0x00), qRgb(0x80, 0x00, 0x00), qRgb(0x00, 0x80, 0x00),
        qRgb(0x80, 0x80, 0x00), qRgb(0x00, 0x00, 0x80), qRgb(0x80, 0x00, 0x80),
        qRgb(0x00, 0x80, 0x80), qRgb(0xC0, 0xC0, 0xC0), qRgb(0x80, 0x80, 0x80),
        qRgb(0xFF, 0x00, 0x00), qRgb(0x00, 0xFF, 0x00), qRgb(0xFF, 0xFF, 0x00),
        qRgb(0x00, 0x00, 0xFF), qRgba(0xFF, 0x00, 0xFF, 0x00), qRgb(0x00, 0xFF, 0xFF),
        qRgb(0xFF, 0xFF, 0xFF)};
}

class PixelArt {
public:
    explicit PixelArt(int size) : m_size(size), m_pixels(static_cast<std::size_t>(size * size), Clear) {}

    int size() const { return m_size; }

    Vga get(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= m_size || y >= m_size)
            return Clear;
        return m_pixels[static_cast<std::size_t>(y * m_size + x)];
    }

    void set(int x, int y, Vga c)
    {
        if (x >= 0 && y >= 0 && x < m_size && y < m_size)
            m_pixels[static_cast<std::size_t>(y * m_size + x)] = c;
    }

    // Sets every pixel whose centre satisfies inside(cx, cy) to the colour that
    // colour(cx, cy) returns.
    template <typename Inside, typename Colour>
    void paint(Inside inside, Colour colour)
    {
        for (int y = 0; y < m_size; ++y)
            for (int x = 0; x < m_size; ++x)
                if (inside(x + 0.5, y + 0.5))
                    set(x, y, colour(x + 0.5, y + 0.5));
    }

    template <typename Inside>
    void fill(Inside inside, Vga c)
    {
        paint(inside, [c](double, double) { return c; });
    }

    // Black outline around everything drawn so far (4-connected).
    void outline()
    {
        std::vector<std::pair<int, int>> edge;
        for (int y = 0; y < m_size; ++y)
            for (int x = 0; x < m_size; ++x)
                if (get(x, y) == Clear
                    && (isInk(x - 1, y) || isInk(x + 1, y) || isInk(x, y - 1) || isInk(x, y + 1)))
                    edge.emplace_back(x, y);
        for (auto [x, y] : edge)
            set(x, y, Black);
    }

    PixelArt mirrored() const
    {
        PixelArt out(m_size);
        for (int y = 0; y < m_size; ++y)
            for (int x = 0; x < m_size; ++x)
                out.set(m_size - 1 - x, y, get(x, y));
        return out;
    }

    QImage toImage() const
    {
        QImage image(m_size, m_size, QImage::Format_Indexed8);
        image.setColorTable(vgaColourTable());
        for (int y = 0; y < m_size; ++y) {
            uchar* line = image.scanLine(y);
            for (int x = 0; x < m_size; ++x)
                line[x] = get(x, y);
        }
        return image;
    }

private:
    bool isInk(int x, int y) const
    {
        const Vga c = get(x, y);
        return c != Clear && c != Black;
    }

    int m_size;
    std::vector<Vga> m_pixels;
};

// Pixel art given as rows of characters, one per pixel.
PixelArt fromRows(const QStringList& rows)
{
    PixelArt art(static_cast<int>(rows.size()));
    for (int y = 0; y < rows.size(); ++y) {
        const QString& row = rows.at(y);
        for (int x = 0; x < row.size(); ++x) {
            Vga c = Clear;
            switch (row.at(x).toLatin1()) {
            case 'K': c = Black; break;
            case 'R': c = Maroon; break;
            case 'G': c = Green; break;
            case 'O': c = Olive; break;
            case 'N': c = Navy; break;
            case 'P': c = Purple; break;
            case 'T': c = Teal; break;
            case 'S': c = Silver; break;
            case 'D': c = Grey; break;
            case 'r': c = Red; break;
            case 'l': c = Lime; break;
            case 'y': c = Yellow; break;
            case 'b': c = Blue; break;
            case 'c': c = Aqua; break;
            case 'W': c = White; break;
            default: break;
            }
            art.set(x, y, c);
        }
    }
    return art;
}

double distanceToSegment(double px, double py, double ax, double ay, double bx, double by)
{
    const double vx = bx - ax;
    const double vy = by - ay;
    const double t = std::clamp(((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy), 0.0, 1.0);
    return std::hypot(px - (ax + t * vx), py - (ay + t * vy));
}

// The program icon at 32 x 32: a magnifying glass over the neck's notes.
PixelArt magnifier32()
{
    PixelArt art(32);
    const double cx = 12.0;
    const double cy = 12.0;
    // Handle: dark grip with a lighter top edge, joined to the frame by a collar.
    art.paint([](double x, double y) { return distanceToSegment(x, y, 20.5, 20.5, 27.5, 27.5) < 2.6; },
        [](double x, double y) { return (y - x) < -0.9 ? Grey : Black; });
    art.fill([](double x, double y) { return distanceToSegment(x, y, 17.5, 17.5, 19.5, 19.5) < 1.6; },
        Grey);
    // Frame: silver ring, lit from the upper left.
    art.paint([cx, cy](double x, double y) { return std::hypot(x - cx, y - cy) < 10.2; },
        [cx, cy](double x, double y) {
            const double d = (x - cx) + (y - cy);
            return d < -4.0 ? White : d > 5.0 ? Grey : Silver;
        });
    // Glass: pale blue-green with a bright glint.
    art.fill([cx, cy](double x, double y) { return std::hypot(x - cx, y - cy) < 8.0; }, Black);
    art.paint([cx, cy](double x, double y) { return std::hypot(x - cx, y - cy) < 7.0; },
        [cx, cy](double x, double y) {
            // Shaded crescent towards the lower right.
            return std::hypot(x - cx + 2.0, y - cy + 2.0) > 7.2 ? Teal : Aqua;
        });
    art.fill([cx, cy](double x, double y) {
        const double d = std::hypot(x - cx, y - cy);
        const double a = std::atan2(y - cy, x - cx);
        return d > 3.6 && d < 5.2 && a > -2.85 && a < -1.85;
    }, White);
    art.outline();
    return art;
}

PixelArt magnifier16()
{
    return fromRows({
        "....KKKKK.......",
        "..KKWWWSSKK.....",
        ".KWWcccccSSK....",
        ".KWcWWccccSK....",
        "KWcWcccccccSK...",
        "KWcccccccccSK...",
        "KSccccccccTDK...",
        "KScccccccTTDK...",
        "KSccccccTTTDK...",
        ".KSccccTTTDK....",
        ".KSDcTTTTDDK....",
        "..KKDDDDDKKDDK..",
        "....KKKKK..KDDK.",
        "............KDDK",
        ".............KDK",
        "..............KK",
    });
}

// The button pictures are drawn on a 32 x 32 grid: at scale s the canvas
// has s x s pixels for each grid pixel and its outline is s pixels wide.
template <typename Inside>
auto scaled(Inside inside, int s)
{
    return [inside, s](double x, double y) { return inside(x / s, y / s); };
}

void outline(PixelArt& art, int s)
{
    for (int k = 0; k < s; ++k)
        art.outline();
}

// Loudspeaker with sound waves, for "strum".
PixelArt loudspeaker(int s)
{
    PixelArt art(32 * s);
    // Magnet housing.
    art.paint(scaled([](double x, double y) { return x > 3 && x < 10 && y > 11 && y < 21; }, s),
        scaled([](double x, double y) { return y < 13 ? White : x > 8 ? Grey : Silver; }, s));
    // Cone flaring to the right.
    art.paint(scaled([](double x, double y) {
        if (x < 10 || x > 18)
            return false;
        const double half = 5.0 + (x - 10.0) * 1.15;
        return std::abs(y - 16.0) < half;
    }, s), scaled([](double x, double y) {
        if (x > 16.5)
            return Grey;
        return y - 16.0 < -(x - 8.0) * 0.55 ? White : Silver;
    }, s));
    outline(art, s);
    // Waves: three arcs centred on the cone.
    for (double radius : {5.0, 9.0, 13.0}) {
        art.fill(scaled([radius](double x, double y) {
            const double dx = x - 17.0;
            const double dy = y - 16.0;
            const double d = std::hypot(dx, dy);
            return dx > 1.0 && std::abs(dy) < dx * 1.15 && std::abs(d - radius) < 0.75;
        }, s), Navy);
    }
    return art;
}

// Double arrow pointing right (the "previous" picture is its mirror image).
PixelArt doubleArrow(int s)
{
    PixelArt art(32 * s);
    for (double left : {4.0, 16.0}) {
        art.paint(scaled([left](double x, double y) {
            const double dx = x - left;
            return dx > 0.0 && std::abs(y - 16.0) < 11.0 - dx * 0.95;
        }, s), scaled([left](double x, double y) {
            const double dx = x - left;
            const double dy = y - 16.0;
            if (dy < 0 && -dy > 11.0 - dx * 0.95 - 1.5)
                return Aqua;
            if (dy > 0 && dy > 11.0 - dx * 0.95 - 1.5)
                return Navy;
            return Blue;
        }, s));
    }
    outline(art, s);
    return art;
}

// ---------------------------------------------------------------------------
// The application icon at the desktop's sizes
//
// The same magnifying glass as magnifier32(), drawn as vector shapes in its
// 32-unit grid: rendered smooth for the sizes from 22 to 256 pixels and written
// as the scalable SVG, both from the same paths. 16 and 32 keep the pixel art.

struct IconLayer {
    QPainterPath path;
    QRgb colour;
    double outline = 0.0; // width of a black stroke around the path, 0: none
};

QPainterPath disc(double cx, double cy, double radius)
{
    QPainterPath path;
    path.addEllipse(QPointF(cx, cy), radius, radius);
    return path;
}

// Qt's path operations replace curves by straight pieces about half a unit
// off the curve; done on a 16 times larger grid they stay smooth at 256 pixels.
constexpr double Fine = 16.0;

QPainterPath toFine(const QPainterPath& path)
{
    return QTransform::fromScale(Fine, Fine).map(path);
}

QPainterPath fromFine(const QPainterPath& path)
{
    return QTransform::fromScale(1.0 / Fine, 1.0 / Fine).map(path);
}

QPainterPath intersection(const QPainterPath& a, const QPainterPath& b)
{
    return fromFine(toFine(a).intersected(toFine(b)));
}

// A bar of the given half-width with round ends, from a to b.
QPainterPath capsule(QPointF a, QPointF b, double radius)
{
    QPainterPath line(a * Fine);
    line.lineTo(b * Fine);
    QPainterPathStroker stroker;
    stroker.setWidth(2.0 * radius * Fine);
    stroker.setCapStyle(Qt::RoundCap);
    return fromFine(stroker.createStroke(line).simplified());
}

// The part of the 32-unit square where x + y < limit (a diagonal cut).
QPainterPath belowDiagonal(double limit)
{
    QPainterPath path;
    path.addPolygon(QPolygonF{QPointF(-8, -8), QPointF(limit + 8, -8), QPointF(-8, limit + 8)});
    path.closeSubpath();
    return path;
}

QPainterPath aboveDiagonal(double limit)
{
    QPainterPath path;
    path.addPolygon(QPolygonF{QPointF(40, 40), QPointF(limit - 40, 40), QPointF(40, limit - 40)});
    path.closeSubpath();
    return path;
}

std::vector<IconLayer> magnifierLayers()
{
    const QRgb black = qRgb(0x00, 0x00, 0x00);
    const QRgb grey = qRgb(0x80, 0x80, 0x80);
    const QRgb silver = qRgb(0xC0, 0xC0, 0xC0);
    const QRgb white = qRgb(0xFF, 0xFF, 0xFF);
    const QRgb teal = qRgb(0x00, 0x80, 0x80);
    const QRgb aqua = qRgb(0x00, 0xFF, 0xFF);
    const double cx = 12.0;
    const double cy = 12.0;

    const QPainterPath handle = capsule({20.5, 20.5}, {27.5, 27.5}, 2.6);
    const QPainterPath collar = capsule({17.5, 17.5}, {19.5, 19.5}, 1.6);
    const QPainterPath frame = disc(cx, cy, 10.2);
    // The handle's top edge: where y - x < -0.9, i.e. the side towards the upper right.
    QPainterPath handleTop;
    handleTop.addPolygon(QPolygonF{QPointF(0, -0.9), QPointF(40, 39.1), QPointF(40, -8), QPointF(0, -8)});
    handleTop.closeSubpath();
    // The glint: a short arc of the ring from 3.6 to 5.2 units round the centre.
    QPainterPath glint;
    const double from = -2.85 * 180.0 / M_PI;
    const double span = 1.0 * 180.0 / M_PI;
    glint.arcMoveTo(QRectF(cx - 5.2, cy - 5.2, 10.4, 10.4), -from);
    glint.arcTo(QRectF(cx - 5.2, cy - 5.2, 10.4, 10.4), -from, -span);
    glint.arcTo(QRectF(cx - 3.6, cy - 3.6, 7.2, 7.2), -from - span, span);
    glint.closeSubpath();

    std::vector<IconLayer> layers;
    // The black outline round all three shapes, under everything.
    layers.push_back({handle, black, 2.0});
    layers.push_back({collar, black, 2.0});
    layers.push_back({frame, black, 2.0});
    layers.push_back({intersection(handle, handleTop), grey});
    layers.push_back({collar, grey});
    layers.push_back({frame, silver});
    layers.push_back({intersection(frame, belowDiagonal(cx + cy - 4.0)), white});
    layers.push_back({intersection(frame, aboveDiagonal(cx + cy + 5.0)), grey});
    layers.push_back({disc(cx, cy, 8.0), black});
    layers.push_back({disc(cx, cy, 7.0), teal});
    layers.push_back({intersection(disc(cx, cy, 7.0), disc(cx - 2.0, cy - 2.0, 7.2)), aqua});
    layers.push_back({glint, white});
    return layers;
}

QImage renderIcon(const std::vector<IconLayer>& layers, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    for (const IconLayer& layer : layers) {
        if (layer.outline > 0.0)
            painter.setPen(QPen(QColor(Qt::black), layer.outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        else
            painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(layer.colour));
        painter.drawPath(layer.path);
    }
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QString svgNumber(double value)
{
    QString text = QString::number(value, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
}

QString svgPathData(const QPainterPath& path)
{
    QStringList parts;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QString point = svgNumber(e.x) + QLatin1Char(' ') + svgNumber(e.y);
        switch (e.type) {
        case QPainterPath::MoveToElement: parts << QStringLiteral("M") + point; break;
        case QPainterPath::LineToElement: parts << QStringLiteral("L") + point; break;
        case QPainterPath::CurveToElement: parts << QStringLiteral("C") + point; break;
        case QPainterPath::CurveToDataElement: parts << point; break;
        }
    }
    return parts.join(QLatin1Char(' '));
}

QByteArray iconSvg(const std::vector<IconLayer>& layers)
{
    QString svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\" "
                                 "viewBox=\"0 0 32 32\">\n");
    for (const IconLayer& layer : layers) {
        svg += QStringLiteral("  <path fill=\"%1\" fill-rule=\"%2\"")
                   .arg(QColor(layer.colour).name(),
                        layer.path.fillRule() == Qt::WindingFill ? QStringLiteral("nonzero")
                                                                 : QStringLiteral("evenodd"));
        if (layer.outline > 0.0)
            svg += QStringLiteral(" stroke=\"#000000\" stroke-width=\"%1\" stroke-linejoin=\"round\"")
                       .arg(svgNumber(layer.outline));
        svg += QStringLiteral(" d=\"%1\"/>\n").arg(svgPathData(layer.path));
    }
    svg += QStringLiteral("</svg>\n");
    return svg.toUtf8();
}

bool save(const QImage& image, const QDir& folder, const QString& name);

// icon22.png ... icon256.png and icon.svg.
bool saveAppIcons(const QDir& folder)
{
    const std::vector<IconLayer> layers = magnifierLayers();
    bool ok = true;
    for (int size : {22, 24, 48, 64, 128, 256})
        ok = save(renderIcon(layers, size), folder, QStringLiteral("icon%1.png").arg(size)) && ok;
    const QString path = folder.filePath(QStringLiteral("icon.svg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(iconSvg(layers)) < 0) {
        std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(QDir::toNativeSeparators(path)));
        return false;
    }
    std::printf("%s\n", qPrintable(QDir::toNativeSeparators(path)));
    return ok;
}

bool save(const QImage& image, const QDir& folder, const QString& name)
{
    const QString path = folder.filePath(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(QDir::toNativeSeparators(path)));
        return false;
    }
    std::printf("%s\n", qPrintable(QDir::toNativeSeparators(path)));
    return true;
}

// The neck and the button pictures at twice the size, for screens at more
// than 1x: neck@2x.png, strum@2x.png, prev@2x.png, next@2x.png.
bool saveDoubleSize(const QDir& folder)
{
    const PixelArt arrow = doubleArrow(2);
    bool ok = save(neckPicture(2), folder, QStringLiteral("neck@2x.png"));
    ok = save(loudspeaker(2).toImage(), folder, QStringLiteral("strum@2x.png")) && ok;
    ok = save(arrow.mirrored().toImage(), folder, QStringLiteral("prev@2x.png")) && ok;
    ok = save(arrow.toImage(), folder, QStringLiteral("next@2x.png")) && ok;
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: artgen OUTPUT-FOLDER\n"
                             "Writes Lyrovan's pictures (neck.png, icon16.png, icon32.png,\n"
                             "strum.png, prev.png, next.png, and neck, strum, prev and next\n"
                             "at twice the size as NAME@2x.png) into OUTPUT-FOLDER.\n"
                             "Also writes the application icon at more sizes (icon22.png ... icon256.png, icon.svg).\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "artgen: cannot create folder %s\n", argv[1]);
        return 1;
    }

    const PixelArt arrow = doubleArrow(1);
    bool ok = save(neckPicture(1), folder, QStringLiteral("neck.png"));
    ok = save(magnifier16().toImage(), folder, QStringLiteral("icon16.png")) && ok;
    ok = save(magnifier32().toImage(), folder, QStringLiteral("icon32.png")) && ok;
    ok = saveAppIcons(folder) && ok;
    ok = save(loudspeaker(1).toImage(), folder, QStringLiteral("strum.png")) && ok;
    ok = save(arrow.mirrored().toImage(), folder, QStringLiteral("prev.png")) && ok;
    ok = save(arrow.toImage(), folder, QStringLiteral("next.png")) && ok;
    ok = saveDoubleSize(folder) && ok;
    return ok ? 0 : 1;
}
