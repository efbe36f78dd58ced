// fontgen: turns the two bitmap fonts the window's layout was drawn with
// into scalable TrueType fonts, so that text grows with the screen's scale
// factor instead of staying at its bitmap size.
//
// Each glyph of the chosen bitmap strike becomes an outline made of the
// strike's pixels as squares, with the strike's advance widths. At the pixel
// size the layout asks for (the "em" below) every square covers exactly one
// screen pixel, so the text looks as the bitmap did; at 1.5 or 2 times that
// size it is drawn from the outline, larger and in its place.
//
//   "Lyrovan Sans":     MS Sans Serif's 13-pixel strike (fonts-wine), 11-pixel em
//   "Lyrovan Terminal": Fixedsys's 15-pixel strike (fonts-wine), 12-pixel em,
//                       cut to an 8 x 12 cell (10 above the baseline, 2 below)
//                       as the Terminal font's cell is
//
// The fonts are committed under resources/fonts/ and compiled into the
// program; the build does not run this tool. After changing it, regenerate
// them with
//
//     build-dir/tools/fontgen/fontgen resources/fonts
//
// from the source folder. The output is the same, byte for byte, on every run.
// The glyphs derive from Wine's fonts and keep their licence (LGPL 2.1 or later).

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QRawFont>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

namespace {

// Font units per pixel of the em the layout uses.
constexpr int kUnitsPerPixel = 64;

struct FontPlan {
    const char* source;    // file under /usr/share/wine/fonts/
    int strikePixels;      // the bitmap strike to trace
    int emPixels;          // the pixel size at which one square is one pixel
    int ascentPixels;      // the line's height above and below the baseline
    int descentPixels;
    bool fixedPitch;
    const char* family;
    const char* postScriptName;
    const char* output;
};

const FontPlan kPlans[] = {
    {"ms_sans_serif.ttf", 13, 11, 11, 2, false, "Lyrovan Sans", "LyrovanSans", "LyrovanSans.ttf"},
    {"fixedsys.ttf", 15, 12, 10, 2, true, "Lyrovan Terminal", "LyrovanTerminal", "LyrovanTerminal.ttf"},
};

// ---------------------------------------------------------------------------
// Glyphs as rectangles of whole pixels

struct Rect {
    int left;   // pixels, right of the origin
    int top;    // pixels, above the baseline (y grows upwards)
    int width;
    int height;
};

struct Glyph {
    char32_t code = 0;
    int advance = 0; // pixels
    std::vector<Rect> rects;
};

// The inked pixels of one glyph as rectangles: runs along each row, merged
// downwards while the rows below repeat the same run.
std::vector<Rect> Trace(const QImage& alpha, int originX, int originTop)
{
    struct Run {
        int x0, x1, y;
        bool used;
    };
    std::vector<Run> runs;
    for (int y = 0; y < alpha.height(); ++y) {
        const uchar* line = alpha.constScanLine(y);
        for (int x = 0; x < alpha.width();) {
            if (line[x] < 128) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < alpha.width() && line[x] >= 128)
                ++x;
            runs.push_back({start, x, y, false});
        }
    }
    std::vector<Rect> rects;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].used)
            continue;
        runs[i].used = true;
        int bottom = runs[i].y;
        for (std::size_t j = i + 1; j < runs.size(); ++j) {
            if (runs[j].y > bottom + 1)
                break;
            if (!runs[j].used && runs[j].y == bottom + 1 && runs[j].x0 == runs[i].x0 && runs[j].x1 == runs[i].x1) {
                runs[j].used = true;
                bottom = runs[j].y;
            }
        }
        rects.push_back({originX + runs[i].x0, originTop - runs[i].y, runs[i].x1 - runs[i].x0,
                         bottom - runs[i].y + 1});
    }
    return rects;
}

std::vector<Glyph> ReadStrike(const FontPlan& plan, bool& ok)
{
    const QString path = QStringLiteral("/usr/share/wine/fonts/") + QString::fromLatin1(plan.source);
    const QRawFont font(path, plan.strikePixels);
    ok = font.isValid();
    std::vector<Glyph> glyphs;
    if (!ok)
        return glyphs;
    for (char32_t code = 0x20; code <= 0xFF; ++code) {
        if ((code > 0x7E && code < 0xA0) || !font.supportsCharacter(code))
            continue;
        const QString text = QString::fromUcs4(&code, 1);
        const QList<quint32> indexes = font.glyphIndexesForString(text);
        if (indexes.size() != 1 || indexes.first() == 0)
            continue;
        Glyph glyph;
        glyph.code = code;
        glyph.advance = qRound(font.advancesForGlyphIndexes(indexes).first().x());
        const QImage alpha = font.alphaMapForGlyph(indexes.first(), QRawFont::PixelAntialiasing)
                                 .convertToFormat(QImage::Format_Alpha8);
        const QRectF box = font.boundingRect(indexes.first());
        glyph.rects = Trace(alpha, qRound(box.x()), -qRound(box.y()));
        glyphs.push_back(glyph);
    }
    return glyphs;
}

// ---------------------------------------------------------------------------
// TrueType writing

class Bytes {
public:
    void u8(unsigned v) { m_data.append(static_cast<char>(v & 0xFF)); }
    void u16(unsigned v)
    {
        u8(v >> 8);
        u8(v);
    }
    void i16(int v) { u16(static_cast<unsigned>(v) & 0xFFFF); }
    void u32(std::uint32_t v)
    {
        u16(v >> 16);
        u16(v & 0xFFFF);
    }
    void tag(const char* t) { m_data.append(t, 4); }
    void bytes(const QByteArray& b) { m_data.append(b); }
    void zeros(int n) { m_data.append(QByteArray(n, '\0')); }
    void pad4()
    {
        while (m_data.size() % 4)
            u8(0);
    }
    int size() const { return static_cast<int>(m_data.size()); }
    const QByteArray& data() const { return m_data; }
    void put16(int at, unsigned v)
    {
        m_data[at] = static_cast<char>((v >> 8) & 0xFF);
        m_data[at + 1] = static_cast<char>(v & 0xFF);
    }
    void put32(int at, std::uint32_t v)
    {
        put16(at, v >> 16);
        put16(at + 2, v & 0xFFFF);
    }

private:
    QByteArray m_data;
};

std::uint32_t Checksum(const QByteArray& data)
{
    std::uint32_t sum = 0;
    for (qsizetype i = 0; i < data.size(); i += 4) {
        std::uint32_t word = 0;
        for (int k = 0; k < 4; ++k) {
            const qsizetype at = i + k;
            word = (word << 8) | (at < data.size() ? static_cast<unsigned char>(data[at]) : 0u);
        }
        sum += word;
    }
    return sum;
}

struct Bounds {
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    bool empty = true;
    void add(int x, int y)
    {
        if (empty) {
            xMin = xMax = x;
            yMin = yMax = y;
            empty = false;
        }
        xMin = std::min(xMin, x);
        xMax = std::max(xMax, x);
        yMin = std::min(yMin, y);
        yMax = std::max(yMax, y);
    }
};

// One simple glyph: each rectangle a clockwise contour of four on-curve points.
QByteArray GlyphData(const Glyph& glyph, Bounds& bounds)
{
    if (glyph.rects.empty())
        return {};
    const int u = kUnitsPerPixel;
    std::vector<std::pair<int, int>> points;
    for (const Rect& r : glyph.rects) {
        const int x0 = r.left * u, x1 = (r.left + r.width) * u;
        const int y1 = r.top * u, y0 = (r.top - r.height) * u;
        for (auto p : {std::pair{x0, y0}, std::pair{x0, y1}, std::pair{x1, y1}, std::pair{x1, y0}}) {
            points.push_back(p);
            bounds.add(p.first, p.second);
        }
    }
    Bytes out;
    out.i16(static_cast<int>(glyph.rects.size()));
    out.i16(bounds.xMin);
    out.i16(bounds.yMin);
    out.i16(bounds.xMax);
    out.i16(bounds.yMax);
    for (std::size_t c = 0; c < glyph.rects.size(); ++c)
        out.u16(static_cast<unsigned>(c * 4 + 3));
    out.u16(0); // no instructions
    for (std::size_t i = 0; i < points.size(); ++i)
        out.u8(0x01); // on curve, 16-bit x and y deltas
    int last = 0;
    for (const auto& p : points) {
        out.i16(p.first - last);
        last = p.first;
    }
    last = 0;
    for (const auto& p : points) {
        out.i16(p.second - last);
        last = p.second;
    }
    return out.data();
}

QByteArray NameTable(const FontPlan& plan)
{
    const QString family = QString::fromLatin1(plan.family);
    const std::map<int, QString> names = {
        {0, QStringLiteral("Glyphs traced from Wine's %1 (LGPL 2.1 or later).").arg(QString::fromLatin1(plan.source))},
        {1, family},
        {2, QStringLiteral("Regular")},
        {3, family + QStringLiteral(" Regular")},
        {4, family},
        {5, QStringLiteral("Version 1.0")},
        {6, QString::fromLatin1(plan.postScriptName)},
    };
    Bytes strings;
    Bytes records;
    for (const auto& [id, text] : names) {
        QByteArray utf16;
        for (QChar c : text) {
            utf16.append(static_cast<char>(c.unicode() >> 8));
            utf16.append(static_cast<char>(c.unicode() & 0xFF));
        }
        records.u16(3);      // Windows
        records.u16(1);      // Unicode BMP
        records.u16(0x0409); // English (United States)
        records.u16(static_cast<unsigned>(id));
        records.u16(static_cast<unsigned>(utf16.size()));
        records.u16(static_cast<unsigned>(strings.size()));
        strings.bytes(utf16);
    }
    Bytes table;
    table.u16(0);
    table.u16(static_cast<unsigned>(names.size()));
    table.u16(static_cast<unsigned>(6 + records.size()));
    table.bytes(records.data());
    table.bytes(strings.data());
    return table.data();
}

// cmap format 4: one segment per run of consecutive codes (their glyphs are
// consecutive too: glyph i + 1 is the i-th code).
QByteArray CmapTable(const std::vector<Glyph>& glyphs)
{
    struct Segment {
        unsigned start, end;
        int delta;
    };
    std::vector<Segment> segments;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const unsigned code = static_cast<unsigned>(glyphs[i].code);
        const int glyphId = static_cast<int>(i) + 1;
        if (!segments.empty() && segments.back().end + 1 == code)
            segments.back().end = code;
        else
            segments.push_back({code, code, glyphId - static_cast<int>(code)});
    }
    segments.push_back({0xFFFF, 0xFFFF, 1});
    const unsigned count = static_cast<unsigned>(segments.size());
    unsigned searchRange = 1, entrySelector = 0;
    while (searchRange * 2 <= count) {
        searchRange *= 2;
        ++entrySelector;
    }
    searchRange *= 2;

    Bytes sub;
    sub.u16(4);
    sub.u16(16 + 8 * count);
    sub.u16(0);
    sub.u16(count * 2);
    sub.u16(searchRange);
    sub.u16(entrySelector);
    sub.u16(count * 2 - searchRange);
    for (const Segment& s : segments)
        sub.u16(s.end);
    sub.u16(0);
    for (const Segment& s : segments)
        sub.u16(s.start);
    for (const Segment& s : segments)
        sub.i16(s.delta);
    for (std::size_t i = 0; i < segments.size(); ++i)
        sub.u16(0);

    Bytes table;
    table.u16(0);
    table.u16(1);
    table.u16(3); // Windows, Unicode BMP
    table.u16(1);
    table.u32(12);
    table.bytes(sub.data());
    return table.data();
}

QByteArray BuildFont(const FontPlan& plan, const std::vector<Glyph>& glyphs)
{
    const int u = kUnitsPerPixel;
    const int unitsPerEm = plan.emPixels * u;
    const int ascent = plan.ascentPixels * u;
    const int descent = plan.descentPixels * u;

    // glyf and loca; glyph 0 is an empty .notdef.
    Bytes glyf;
    std::vector<std::uint32_t> offsets{0};
    Bounds all;
    int maxPoints = 0, maxContours = 0, advanceMax = 0, minLsb = 0, minRsb = 0, maxExtent = 0;
    std::vector<std::pair<int, int>> metrics{{0, 0}};
    offsets.push_back(0);
    for (const Glyph& glyph : glyphs) {
        Bounds bounds;
        glyf.bytes(GlyphData(glyph, bounds));
        glyf.pad4();
        offsets.push_back(static_cast<std::uint32_t>(glyf.size()));
        const int advance = glyph.advance * u;
        advanceMax = std::max(advanceMax, advance);
        const int lsb = bounds.empty ? 0 : bounds.xMin;
        metrics.emplace_back(advance, lsb);
        if (!bounds.empty) {
            all.add(bounds.xMin, bounds.yMin);
            all.add(bounds.xMax, bounds.yMax);
            minLsb = std::min(minLsb, bounds.xMin);
            minRsb = std::min(minRsb, advance - bounds.xMax);
            maxExtent = std::max(maxExtent, bounds.xMax);
            maxPoints = std::max(maxPoints, static_cast<int>(glyph.rects.size()) * 4);
            maxContours = std::max(maxContours, static_cast<int>(glyph.rects.size()));
        }
    }
    const int numGlyphs = static_cast<int>(glyphs.size()) + 1;
    Bytes loca;
    for (std::uint32_t offset : offsets)
        loca.u32(offset);

    Bytes head;
    head.u32(0x00010000);
    head.u32(0x00010000);
    head.u32(0); // checkSumAdjustment, set below
    head.u32(0x5F0F3CF5);
    head.u16(0x000B); // baseline at y 0, left sidebearing at x 0, integer scaling
    head.u16(static_cast<unsigned>(unitsPerEm));
    head.zeros(16); // created, modified: none, so that every run writes the same bytes
    head.i16(all.xMin);
    head.i16(all.yMin);
    head.i16(all.xMax);
    head.i16(all.yMax);
    head.u16(0);
    head.u16(6);
    head.i16(2);
    head.i16(1); // long loca offsets
    head.i16(0);

    Bytes hhea;
    hhea.u32(0x00010000);
    hhea.i16(ascent);
    hhea.i16(-descent);
    hhea.i16(0);
    hhea.u16(static_cast<unsigned>(advanceMax));
    hhea.i16(minLsb);
    hhea.i16(minRsb);
    hhea.i16(maxExtent);
    hhea.i16(1);
    hhea.i16(0);
    hhea.i16(0);
    hhea.zeros(8);
    hhea.i16(0);
    hhea.u16(static_cast<unsigned>(numGlyphs));

    Bytes maxp;
    maxp.u32(0x00010000);
    maxp.u16(static_cast<unsigned>(numGlyphs));
    maxp.u16(static_cast<unsigned>(maxPoints));
    maxp.u16(static_cast<unsigned>(maxContours));
    maxp.u16(0);
    maxp.u16(0);
    maxp.u16(2);
    maxp.zeros(16);

    Bytes hmtx;
    for (const auto& [advance, lsb] : metrics) {
        hmtx.u16(static_cast<unsigned>(advance));
        hmtx.i16(lsb);
    }

    int averageWidth = 0, counted = 0;
    for (const Glyph& glyph : glyphs) {
        averageWidth += glyph.advance * u;
        ++counted;
    }
    averageWidth = counted ? averageWidth / counted : 0;
    Bytes os2;
    os2.u16(4);
    os2.i16(averageWidth);
    os2.u16(400);
    os2.u16(5);
    os2.u16(0);                           // installable
    for (int v : {unitsPerEm / 2, unitsPerEm / 2, 0, u, unitsPerEm / 2, unitsPerEm / 2, 0, u * 4, u, u * 4})
        os2.i16(v);                       // sub- and superscript, strikeout
    os2.i16(0);                           // family class
    os2.zeros(10);                        // panose
    os2.u32(0x3);                         // Basic Latin, Latin-1 Supplement
    os2.zeros(12);
    os2.tag("LYRV");
    os2.u16(0x0040 | 0x0080);             // regular; use the typographic metrics
    os2.u16(static_cast<unsigned>(glyphs.front().code));
    os2.u16(static_cast<unsigned>(glyphs.back().code));
    os2.i16(ascent);
    os2.i16(-descent);
    os2.i16(0);
    os2.u16(static_cast<unsigned>(ascent));
    os2.u16(static_cast<unsigned>(descent));
    os2.u32(0x1);                         // code page 1252
    os2.u32(0);
    os2.i16(0);                           // x height, cap height: unknown
    os2.i16(0);
    os2.u16(0);
    os2.u16(0x20);
    os2.u16(1);

    Bytes post;
    post.u32(0x00030000);
    post.u32(0);
    post.i16(-u);
    post.i16(2 * u); // as thick as Qt draws the bitmap fonts' underline
    post.u32(plan.fixedPitch ? 1 : 0);
    post.zeros(16);

    const std::map<QByteArray, QByteArray> tables = {
        {"OS/2", os2.data()}, {"cmap", CmapTable(glyphs)}, {"glyf", glyf.data()}, {"head", head.data()},
        {"hhea", hhea.data()}, {"hmtx", hmtx.data()}, {"loca", loca.data()}, {"maxp", maxp.data()},
        {"name", NameTable(plan)}, {"post", post.data()},
    };

    const unsigned count = static_cast<unsigned>(tables.size());
    unsigned searchRange = 1, entrySelector = 0;
    while (searchRange * 2 <= count) {
        searchRange *= 2;
        ++entrySelector;
    }
    searchRange *= 16;
    Bytes file;
    file.u32(0x00010000);
    file.u16(count);
    file.u16(searchRange);
    file.u16(entrySelector);
    file.u16(count * 16 - searchRange);
    int offset = 12 + 16 * static_cast<int>(count);
    int headOffset = 0;
    for (const auto& [tag, data] : tables) {
        file.tag(tag.constData());
        file.u32(Checksum(data));
        file.u32(static_cast<std::uint32_t>(offset));
        file.u32(static_cast<std::uint32_t>(data.size()));
        if (tag == "head")
            headOffset = offset;
        offset += (static_cast<int>(data.size()) + 3) / 4 * 4;
    }
    for (const auto& [tag, data] : tables) {
        file.bytes(data);
        file.pad4();
    }
    file.put32(headOffset + 8, 0xB1B0AFBAu - Checksum(file.data()));
    return file.data();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fontgen OUTPUT-FOLDER\n"
                             "Writes LyrovanSans.ttf and LyrovanTerminal.ttf into OUTPUT-FOLDER.\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "fontgen: cannot create folder %s\n", argv[1]);
        return 1;
    }
    int status = 0;
    for (const FontPlan& plan : kPlans) {
        bool ok = false;
        const std::vector<Glyph> glyphs = ReadStrike(plan, ok);
        if (!ok || glyphs.empty()) {
            std::fprintf(stderr, "fontgen: cannot read %s (install fonts-wine)\n", plan.source);
            status = 1;
            continue;
        }
        QFile out(folder.filePath(QString::fromLatin1(plan.output)));
        if (!out.open(QIODevice::WriteOnly) || out.write(BuildFont(plan, glyphs)) < 0) {
            std::fprintf(stderr, "fontgen: cannot write %s\n", qPrintable(out.fileName()));
            status = 1;
            continue;
        }
        std::printf("%s\n", qPrintable(QDir::toNativeSeparators(out.fileName())));
    }
    return status;
}
