#include "ChordDiagram.h"

#include "ChordTexts.h"
#include "ui/Contrast.h"
#include "ui/Fonts.h"
#include "ui/Labels.h"
#include "ui/Shapes.h"
#include "ui/Twips.h"

#include <QAccessibleWidget>
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
// The bass area: strings 6 to 3.
constexpr int BassLeft = 960;
constexpr int BassWidth = 1095;

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

// Twips from the left of the frame to x's mirror place across the grid.
int Mirrored(int left, int width)
{
    return GridLeft + GridRight - left - width;
}

const char* const DiagramProperty = "lyrovanChordDiagram";

// The frame as screen readers see it: one picture with the frame's title as
// its name and the fingering in words as its description, and no children:
// the blank cells, lines and captions inside say nothing the description
// does not.
class DiagramAccessible : public QAccessibleWidget {
public:
    explicit DiagramAccessible(QGroupBox* frame) : QAccessibleWidget(frame, QAccessible::Graphic) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<QGroupBox*>(widget())->title();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

QAccessibleInterface* DiagramFactory(const QString&, QObject* object)
{
    auto* frame = qobject_cast<QGroupBox*>(object);
    if (frame && frame->property(DiagramProperty).toBool())
        return new DiagramAccessible(frame);
    return nullptr;
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
    // Marked for its accessible interface before the title: setting the
    // title tells screen readers, which makes and keeps the frame's interface.
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(DiagramFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    m_frame = new QGroupBox(window);
    m_frame->setProperty(DiagramProperty, true);
    m_frame->setTitle(QStringLiteral("Chord Diagram"));
    m_frame->setObjectName(QStringLiteral("fraChordDiagram"));
    m_frame->setFont(TahomaFont(9.75));
    m_frame->setGeometry(TwipRect(5835, 960, 2955, 2655));

    // Built back to front: each new child lies in front of the ones before.
    m_shpBass = MakeFilledRect(m_frame, QStringLiteral("shpBass"), BassLeft, 675, BassWidth, 1860,
                               BassShadeFor(m_frame->palette()));
    m_shpBass->hide();

    for (int k = 0; k < DiagramStrings; ++k)
        m_stringLines[k] = new LineShape(m_frame, QStringLiteral("linStrum(%1)").arg(k), StringX[k], NutUpperY,
                                         StringX[k], GridBottom, LineGrey);
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
    // Grey where it stands out from the window, as on the usual light
    // palettes; darker or lighter where the desktop's window is grey.
    for (LineShape* line : m_frame->findChildren<LineShape*>(Qt::FindDirectChildrenOnly))
        line->keepStandingOut();
    describe();
}

void ChordDiagram::showPosition(const ChordPosition& position, int number, int count)
{
    for (int row = 0; row < DiagramRows; ++row)
        for (int string = 1; string <= DiagramStrings; ++string)
            SetCaption(m_cells[string - 1][row], position.cell(string, row));
    m_nutUpper->setVisible(position.fret == 0);
    m_position = position;
    m_number = number;
    m_count = count;
    describe();
}

void ChordDiagram::setCaptions(const QString& fret, const QString& chord, const QString& chordName)
{
    SetCaption(m_lblDiaFret, fret);
    SetCaption(m_lblDiaChord, chord);
    m_chordName = chordName;
    describe();
}

void ChordDiagram::describe()
{
    // Qt tells screen readers of the change.
    m_frame->setAccessibleDescription(FingeringDescription(m_chordName, m_number, m_count, m_position));
}

void ChordDiagram::showBassArea(bool shown)
{
    m_shpBass->setVisible(shown);
}

void ChordDiagram::setLeftHanded(bool leftHanded)
{
    if (leftHanded == m_leftHanded)
        return;
    m_leftHanded = leftHanded;
    // The string lines lie evenly across the grid: each takes the place of
    // its mirror string's line.
    QRect lines[DiagramStrings];
    for (int k = 0; k < DiagramStrings; ++k)
        lines[k] = m_stringLines[k]->geometry();
    for (int k = 0; k < DiagramStrings; ++k)
        m_stringLines[k]->setGeometry(lines[DiagramStrings - 1 - k]);
    for (int string = 1; string <= DiagramStrings; ++string) {
        for (int row = 0; row < DiagramRows; ++row) {
            const int left = CellLeftOf(string, row);
            QLabel* cell = m_cells[string - 1][row];
            cell->move(Px(leftHanded ? Mirrored(left, CellWidth) : left), cell->y());
        }
    }
    m_shpBass->move(Px(leftHanded ? Mirrored(BassLeft, BassWidth) : BassLeft), m_shpBass->y());
}

} // namespace lyrovan
