#pragma once
// The frame "Chord Diagram": string, nut and fret lines, the 6 x 6 grid of
// cells a fingering is written into, the fret and chord captions, and the
// shaded area that marks the strings a bass plays.
//
// Stacking, back to front: the bass area, the string and fret lines, the
// cells and captions, the two nut lines. Cells and captions paint no
// background, so a blank cell leaves its string line unbroken. The lines
// keep standing out from the window background on any palette.
//
// Left-handed, the grid is drawn mirrored, string 6 on the right: the
// string lines, the cells and the bass area take their mirror places.
//
// Screen readers find the frame as one picture, named by its title, whose
// description says the fingering in words (FingeringDescription); the
// lines, cells and captions inside are left out of the accessibility tree.

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
    // fret 0. It is stored position number of count (0 of 0: none).
    void showPosition(const ChordPosition& position, int number = 0, int count = 0);
    // The position shown: as built, every cell a blank at fret 0.
    const ChordPosition& position() const { return m_position; }
    // The fret caption ("Fret 3") and the chord's name above the grid
    // ("C  pure"); chordName names it in words for screen readers ("C major").
    void setCaptions(const QString& fret, const QString& chord, const QString& chordName);
    // Shades the strings a bass plays.
    void showBassArea(bool shown);
    // Mirrors the grid for a left-handed player, or puts it back.
    void setLeftHanded(bool leftHanded);

private:
    // Brings the frame's accessible description up to date.
    void describe();

    QGroupBox* m_frame = nullptr;
    QLabel* m_cells[6][6] = {};
    LineShape* m_stringLines[6] = {};
    bool m_leftHanded = false;
    LineShape* m_nutUpper = nullptr;
    QLabel* m_lblDiaFret = nullptr;
    QLabel* m_lblDiaChord = nullptr;
    QWidget* m_shpBass = nullptr;
    ChordPosition m_position;
    QString m_chordName;
    int m_number = 0;
    int m_count = 0;
};

} // namespace lyrovan
