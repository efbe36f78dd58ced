#include "Neck.h"

#include "theory/ChordTables.h"
#include "theory/Tuning.h"
#include "ui/Background.h"
#include "ui/Contrast.h"
#include "ui/Fonts.h"
#include "ui/Labels.h"
#include "ui/PictureButton.h"
#include "ui/ScrollBar.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QScrollBar>
#include <QStringView>
#include <QWidget>

#include <string_view>

namespace lyrovan {

namespace {

constexpr int StringTops[6] = {1050, 1380, 1710, 2040, 2370, 2715};

// The strip and what it holds, in twips relative to the viewport or strip.
constexpr int StripLeft = -300;
constexpr int StripWidth = 12445;
constexpr int StripHeight = 2295;
constexpr int ScrollMin = 300;
constexpr int ScrollMax = 7000;

constexpr int MarkerTops[Neck::Strings] = {60, 420, 720, 1080, 1380, 1740};
constexpr int MarkerHeight = 195;

// Left edge of each marker by fret, strings 1 to 6. Each column lies over
// its fret wire in the neck picture; the columns narrow towards the body.
constexpr int MarkerLefts[Neck::Frets][Neck::Strings] = {
    {360, 360, 360, 360, 360, 360},
    {1260, 1260, 1200, 1200, 1200, 1260},
    {2100, 2100, 2160, 2160, 2160, 2100},
    {3000, 3000, 2940, 3000, 3000, 3000},
    {3720, 3720, 3780, 3720, 3720, 3720},
    {4560, 4560, 4560, 4560, 4560, 4560},
    {5220, 5280, 5220, 5220, 5220, 5220},
    {5940, 5880, 5940, 5940, 5940, 5940},
    {6600, 6600, 6540, 6540, 6600, 6600},
    {7080, 7080, 7140, 7140, 7080, 7080},
    {7680, 7680, 7680, 7680, 7680, 7680},
    {8100, 8100, 8100, 8100, 8100, 8100},
    {8640, 8640, 8640, 8640, 8640, 8640},
    {9060, 9060, 9000, 9000, 9000, 9060},
    {9420, 9420, 9420, 9420, 9420, 9420},
    {9840, 9840, 9780, 9840, 9840, 9840},
    {10140, 10140, 10200, 10140, 10140, 10140},
    {10560, 10560, 10560, 10560, 10560, 10560},
    {10860, 10860, 10860, 10860, 10860, 10860},
    {11220, 11220, 11220, 11220, 11220, 11220},
    {11520, 11520, 11460, 11460, 11520, 11520},
    {11760, 11760, 11760, 11760, 11760, 11760},
};

// The fret numbers below the sixth string.
constexpr int FretNumberLefts[Neck::Frets] = {360, 1260, 2220, 3000, 3780, 4560, 5280, 5940,
    6600, 7200, 7620, 8160, 8580, 9000, 9420, 9780, 10140, 10500, 10860, 11160, 11520, 11820};
constexpr int FretNumberTop = 2040;
constexpr int FretNumberHeight = 195;

// The neck picture's place in the strip.
constexpr int PictureLeft = 360;
constexpr int PictureTop = 30;
constexpr int PictureWidth = 11595;
constexpr int PictureHeight = 1995;

const QColor ClearedBack(255, 255, 255);
const QColor KeyBack(255, 0, 0);
// Marker text on the white or red background the map gives it, whatever the
// desktop's colours.
const QColor MarkerText(0, 0, 0);

// Note name f semitones above the open note of string (1..6).
QString CaptionAt(int string, int fret)
{
    const int open = StandardTuning.openPitchClass(string);
    return TableText(NoteNames[static_cast<std::size_t>((open + fret) % 12)]);
}

// Sets a widget's background and text colours together: a text colour the
// program chooses always comes with a background it chose.
void SetColours(QWidget* widget, const QColor& back, const QColor& text)
{
    const QPalette& current = widget->palette();
    if (current.color(QPalette::Window) == back && current.color(QPalette::WindowText) == text)
        return;
    QPalette palette = current;
    palette.setColor(QPalette::Window, back);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
}

// The neck picture stretched to its place on the screens the program may
// show on, from the 2x picture where any screen has more device pixels than
// logical ones. Reading and stretching it takes a few milliseconds (about 3
// of start-up on a real display), so it is done in the background while the
// window is built.
//
// The job then loads the image format plug-ins (GIF, ICO, JPEG): the
// window's menu bar reads its extension button's standard icon through an
// image reader that loads each of them to ask whether it reads PNG, and
// finds them loaded.
QFuture<QImage> StretchNeckPicture(const QSize& place)
{
    const qreal scale = qApp->devicePixelRatio();
    return RunInBackground([place, scale] {
        const QImage picture =
            ReadPicture(scale > 1.0 ? QStringLiteral(":/neck@2x.png") : QStringLiteral(":/neck.png"));
        QImage stretched;
        if (!picture.isNull()) {
            stretched = picture.scaled(place * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            stretched.setDevicePixelRatio(scale);
        }
        QImageReader(QStringLiteral(":/icon16.png")).canRead();
        return stretched;
    });
}

// A label in the strip that takes the font it inherits (the window's) and
// fits its width to its caption with that font. Labels of one caption share
// one width (widths holds them, by caption).
QLabel* MakeStripLabel(QWidget* strip, const QString& name, const QString& caption, int left, int top,
                       int height, const QPalette& colours, QHash<QString, int>& widths)
{
    auto* label = new QLabel(strip);
    label->setObjectName(name);
    label->setMargin(0);
    label->setIndent(0);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAutoFillBackground(true);
    label->setPalette(colours);
    label->setText(caption);
    auto width = widths.constFind(caption);
    if (width == widths.cend())
        width = widths.insert(caption, PlainCaptionSize(label->font(), caption).width());
    label->setGeometry(Px(left), Px(top), *width, Px(height));
    return label;
}

} // namespace

Neck::Neck(QWidget* window) : QObject(window)
{
    QFuture<QImage> picture =
        StretchNeckPicture(TwipRect(PictureLeft, PictureTop, PictureWidth, PictureHeight).size());
    m_outer = new QWidget(window);
    m_outer->setObjectName(QStringLiteral("picNeckOuter"));
    m_outer->setGeometry(TwipRect(360, 960, 5115, 2655));
    m_outer->setAutoFillBackground(true);
    QPalette outerPalette = m_outer->palette();
    outerPalette.setColor(QPalette::Window, QColor(192, 192, 192));
    m_outer->setPalette(outerPalette);
    m_outer->setAccessibleName(QStringLiteral("Neck"));
    m_outer->setAccessibleDescription(
        QStringLiteral("The notes of the chosen chord or scale on the guitar neck; the key's notes in red"));

    BuildStrip();
    BuildMarkers();
    WhenDone(picture, this, [this](const QImage& stretched) { m_image->setPixmap(QPixmap::fromImage(stretched)); });

    m_scroll = MakeScrollBar(m_outer, QStringLiteral("scrNeck"), QRect(0, 2280, 5040, 315), ScrollMin, ScrollMax, 100,
                             1000, -StripLeft);
    m_scroll->setAccessibleName(QStringLiteral("Neck position"));
    m_scroll->setAccessibleDescription(QStringLiteral("Slides the neck to show higher or lower frets"));
    // The strip follows changes of the value, not the thumb while it is
    // dragged: without tracking the value changes when the thumb is let go.
    m_scroll->setTracking(false);
    m_scroll->raise();
    connect(m_scroll, &QScrollBar::valueChanged, this, [this] { scrNeck_Change(); });

    // The string numbers beside the viewport lie behind the window's other
    // controls.
    const QFont font = TahomaFont(12, true);
    for (int k = 0; k < 6; ++k) {
        QLabel* left = MakeLabel(window, QStringLiteral("lblString(%1)").arg(k), QStringLiteral("%1-").arg(k + 1),
                                 90, StringTops[k], 255, 285, font, Fit::Caption);
        QLabel* right = MakeLabel(window, QStringLiteral("lblString(%1)").arg(k + 6),
                                  QStringLiteral("-%1").arg(k + 1), 5520, StringTops[k], 255, 285, font, Fit::Caption);
        right->setAlignment(Qt::AlignRight | Qt::AlignTop);
        left->lower();
        right->lower();
    }
}

void Neck::BuildStrip()
{
    const QColor stripBack = QApplication::palette().color(QPalette::Light);
    m_inner = new QWidget(m_outer);
    m_inner->setObjectName(QStringLiteral("picNeckInner"));
    m_inner->setGeometry(TwipRect(StripLeft, 0, StripWidth, StripHeight));
    m_inner->setAutoFillBackground(true);
    QPalette stripPalette = m_inner->palette();
    stripPalette.setColor(QPalette::Window, stripBack);
    m_inner->setPalette(stripPalette);

    // The picture is stretched once to its place (it arrives from the
    // background); created first so that the markers and fret numbers lie
    // in front of it.
    m_image = new QLabel(m_inner);
    m_image->setObjectName(QStringLiteral("imgNeck"));
    m_image->setGeometry(TwipRect(PictureLeft, PictureTop, PictureWidth, PictureHeight));

    // Black digits on the strip's colour, or white ones where the desktop
    // makes that colour dark.
    QPalette digits = m_inner->palette();
    digits.setColor(QPalette::WindowText, ReadableTextOn(stripBack));
    QHash<QString, int> widths;
    for (int fret = 0; fret < Frets; ++fret)
        MakeStripLabel(m_inner, QStringLiteral("lblFret(%1)").arg(fret), QString::number(fret),
                       FretNumberLefts[fret], FretNumberTop, FretNumberHeight, digits, widths);
}

void Neck::BuildMarkers()
{
    // Built as an update leaves the markers off the key, black text on
    // white: the first update, which start-up runs before the window first
    // paints, then recolours only the key's.
    QPalette asBuilt = m_inner->palette();
    asBuilt.setColor(QPalette::Window, ClearedBack);
    asBuilt.setColor(QPalette::WindowText, MarkerText);
    QHash<QString, int> widths;
    for (int string = 1; string <= Strings; ++string) {
        for (int fret = 0; fret < Frets; ++fret) {
            m_markers[string - 1][fret] = MakeStripLabel(
                m_inner, QStringLiteral("lbl%1(%2)").arg(string).arg(fret), CaptionAt(string, fret),
                MarkerLefts[fret][string - 1], MarkerTops[string - 1], MarkerHeight, asBuilt, widths);
        }
    }
}

void Neck::scrNeck_Change()
{
    m_inner->move(Px(-m_scroll->value()), m_inner->y());
}

void Neck::ClearBoard()
{
    for (auto& string : m_markers) {
        for (QLabel* marker : string) {
            marker->hide();
            SetColours(marker, ClearedBack, MarkerText);
        }
    }
}

void Neck::ShowNotes(const QString& key, const QString& notes)
{
    // As clearing the board and then showing the chord's markers, but each
    // marker is set once to what it ends as: one that stays shown is not
    // hidden and shown again. The tuning lives only in the captions: each
    // marker is compared with every note name of the chord; the key's are
    // red as long as the chord has notes.
    const QStringView noteNames(notes);
    for (int fret = 0; fret < Frets; ++fret) {
        for (int string = 0; string < Strings; ++string) {
            QLabel* marker = m_markers[string][fret];
            const QString caption = marker->text();
            bool shown = false;
            for (qsizetype j = 0; j < noteNames.size() && !shown; j += 2)
                shown = noteNames.mid(j, 2) == caption;
            marker->setVisible(shown);
            SetColours(marker, !notes.isEmpty() && caption == key ? KeyBack : ClearedBack, MarkerText);
        }
    }
}

} // namespace lyrovan
