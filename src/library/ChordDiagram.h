#pragma once
// The frame "Chord Diagram": string, nut and fret lines, the 6 x 6 grid of
// cells a fingering is written into, the fret and chord captions, and the
// shaded area that marks the strings a bass plays.
//
// Stacking, back to front: the bass area, the string and fret lines, the
// cells and captions, the two nut lines. Cells and captions paint no
// background, so a blank cell leaves its string line unbroken.

#include <QObject>

class QGroupBox;
class QLabel;
class QWidget;

namespace lyrovan {

class LineShape;

class ChordDiagram : public QObject {
    Q_OBJECT
public:
    // Builds the frame and its contents as children of window.
    explicit ChordDiagram(QWidget* window);

    QGroupBox* frame() const { return m_frame; }

    // The cell of string 1..6 in row 0..5 (lblDiaStrN(row)).
    QLabel* cell(int string, int row) const;
    // linStrum(7), the upper nut line: shown only at fret 0.
    LineShape* nutUpper() const { return m_nutUpper; }
    QLabel* fretCaption() const { return m_lblDiaFret; }
    QLabel* chordCaption() const { return m_lblDiaChord; }
    QWidget* bassArea() const { return m_shpBass; }

private:
    QGroupBox* m_frame = nullptr;
    QLabel* m_cells[6][6] = {};
    LineShape* m_nutUpper = nullptr;
    QLabel* m_lblDiaFret = nullptr;
    QLabel* m_lblDiaChord = nullptr;
    QWidget* m_shpBass = nullptr;
};

} // namespace lyrovan
