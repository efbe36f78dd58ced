#include "ChordDiagram.h"

#include "ChordTexts.h"
#include "ui/Contrast.h"
#include "ui/Fonts.h"
#include "ui/Labels.h"
#include "ui/Shapes.h"
#include "ui/Twips.h"

#include <QGroupBox>
#include <QLabel>

namespace lyrovan {

namespace {

const QColor LineGrey(0x80, 0x80, 0x80);
const QColor BassShade(0xE0, 0xE0, 0xE0);

// Grid geometry in twips of the frame.
constexpr int StringX[DiagramStrings] = {2760, 2400, 2040, 1680, 1320, 960}; // strings 1..6
constexpr int GridLeft = 960;
constexpr int GridRight = 2760;
constexpr int NutUpperY = 660;
constexpr int NutLowerY = 720;
constexpr int GridBottom = 2520;
constexpr int FretLineY[4] = {1080, 1440, 1800, 2160}; // Line2..Line5

constexpr int CellLeft[DiagramStrings] = {2715, 2355, 1995, 1620, 1275, 915}; // strings 1..6
constexpr int CellTop[DiagramRows] = {490, 885, 1245, 1605, 1965, 2355};
constexpr int CellWidth = 120;
constexpr int CellHeight = 180;

// The bass area's shade: light grey, unless the desktop's text colour (the
// cells' colour) would not stand out on it; then a tint of the frame's own
// background towards that text colour.
QColor BassShadeFor(const QPalette& palette)
{
    const QColor text = palette.color(QPalette::WindowText);
    if (ContrastRatio(text, BassShade) >= 4.5)
        return BassShade;
    const QColor back = palette.color(QPalette::Window);
    const auto tint = [](int from, int to) { return from + (to - from) * 15 / 100; };
    return QColor(tint(back.red(), text.red()), tint(back.green(), text.green()), tint(back.blue(), text.blue()));
}

int CellLeftOf(int string, int row)
{
    if (string == 1 && row == 0)
        return 2700;
    if (string == 4 && row == 1)
        return 1635;
    return CellLeft[string - 1];
}

} // namespace

ChordDiagram::ChordDiagram(QWidget* window) : QObject(window)
{
    m_frame = new QGroupBox(QStringLiteral("Chord Diagram"), window);
    m_frame->setObjectName(QStringLiteral("fraChordDiagram"));
    m_frame->setFont(TahomaFont(9.75));
    m_frame->setGeometry(TwipRect(5835, 960, 2955, 2655));
    m_frame->setAccessibleDescription(QStringLiteral("The fingering shown: O open, X muted, digits the fingers"));

    // Built back to front: each new child lies in front of the ones before.
    m_shpBass = MakeFilledRect(m_frame, QStringLiteral("shpBass"), 960, 675, 1095, 1860,
                               BassShadeFor(m_frame->palette()));
    m_shpBass->hide();

    for (int k = 0; k < DiagramStrings; ++k)
        new LineShape(m_frame, QStringLiteral("linStrum(%1)").arg(k), StringX[k], NutUpperY, StringX[k],
                        GridBottom, LineGrey);
    for (int k = 0; k < 4; ++k)
        new LineShape(m_frame, QStringLiteral("Line%1").arg(k + 2), GridLeft, FretLineY[k], GridRight,
                        FretLineY[k], LineGrey);

    const QFont cellFont = TerminalFont();
    for (int string = 1; string <= DiagramStrings; ++string) {
        for (int row = 0; row < DiagramRows; ++row) {
            QLabel* cell = MakeLabel(m_frame, QStringLiteral("lblDiaStr%1(%2)").arg(string).arg(row),
                                     QStringLiteral(" "), CellLeftOf(string, row), CellTop[row], CellWidth,
                                     CellHeight, cellFont, Fit::Caption);
            m_cells[string - 1][row] = cell;
        }
    }

    m_lblDiaChord = MakeLabel(m_frame, QStringLiteral("lblDiaChord"), QString(), 720, 240, 2100, 240,
                              TahomaFont(9.75), Fit::Fixed);
    m_lblDiaChord->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    QFont fretFont = TahomaFont(9.75);
    fretFont.setUnderline(true);
    m_lblDiaFret = MakeLabel(m_frame, QStringLiteral("lblDiaFret"), QStringLiteral("Fret 0"), 120, 510, 510, 240,
                             fretFont, Fit::Caption);

    new LineShape(m_frame, QStringLiteral("linStrum(6)"), GridLeft, NutLowerY, GridRight, NutLowerY, LineGrey);
    m_nutUpper =
        new LineShape(m_frame, QStringLiteral("linStrum(7)"), GridLeft, NutUpperY, GridRight, NutUpperY, LineGrey);
}

void ChordDiagram::showPosition(const ChordPosition& position)
{
    for (int row = 0; row < DiagramRows; ++row)
        for (int string = 1; string <= DiagramStrings; ++string)
            SetCaption(m_cells[string - 1][row], position.cell(string, row));
    m_nutUpper->setVisible(position.fret == 0);
    m_position = position;
}

void ChordDiagram::setCaptions(const QString& fret, const QString& chord)
{
    SetCaption(m_lblDiaFret, fret);
    SetCaption(m_lblDiaChord, chord);
}

void ChordDiagram::showBassArea(bool shown)
{
    m_shpBass->setVisible(shown);
}

} // namespace lyrovan
