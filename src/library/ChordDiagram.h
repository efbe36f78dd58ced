#pragma once
// The frame "Chord Diagram": string, nut and fret lines, the 6 x 6 grid of
// cells a fingering is written into, the fret and chord captions, and the
// shaded area that marks the strings a bass plays.
//
// Stacking, back to front: the bass area, the string and fret lines, the
// cells and captions, the two nut lines. Cells and captions paint no
// background, so a blank cell leaves its string line unbroken.

#include "theory/ChordPosition.h"

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

    // Writes the position's cells into the grid (lblDiaStrN(row) is the
    // cell of string N in row row) and shows the upper nut line only at
    // fret 0.
    void showPosition(const ChordPosition& position);
    // The position shown: as built, every cell a blank at fret 0.
    const ChordPosition& position() const { return m_position; }
    // The fret caption ("Fret 3") and the chord's name above the grid.
    void setCaptions(const QString& fret, const QString& chord);
    // Shades the strings a bass plays.
    void showBassArea(bool shown);

private:
    QGroupBox* m_frame = nullptr;
    QLabel* m_cells[6][6] = {};
    LineShape* m_nutUpper = nullptr;
    QLabel* m_lblDiaFret = nullptr;
    QLabel* m_lblDiaChord = nullptr;
    QWidget* m_shpBass = nullptr;
    ChordPosition m_position;
};

} // namespace lyrovan
