#pragma once
// One position of a chord as the chord diagram shows it: the 6 x 6 cells a
// stored fingering is written into, one character each (row 0 above the
// nut, rows 1..5 the fret rows; string 1 the highest), and the base fret
// PositionFret: row R stands for fret PositionFret + R.
//
// The chord library decodes it from the database, the diagram shows it and
// the strum reads its notes from it.

#include <QString>

#include <array>
#include <cstdint>

namespace lyrovan {

inline constexpr int DiagramStrings = 6; // strings 1 (right) .. 6 (left)
inline constexpr int DiagramRows = 6;    // row 0 above the nut, rows 1..5 the fret rows

struct ChordPosition {
    // Row by row, strings 1..6 within a row. As built, every cell holds one blank.
    std::array<QString, DiagramStrings * DiagramRows> cells = BlankCells();
    std::int16_t fret = 0;
    // True while the cells hold a stored fingering; an empty diagram (as
    // built, or a chord with no stored position) has nothing to play.
    bool stored = false;

    const QString& cell(int string, int row) const { return cells[index(string, row)]; }
    QString& cell(int string, int row) { return cells[index(string, row)]; }

    bool operator==(const ChordPosition&) const = default;

private:
    static std::size_t index(int string, int row)
    {
        return static_cast<std::size_t>(row * DiagramStrings + (string - 1));
    }
    static std::array<QString, DiagramStrings * DiagramRows> BlankCells()
    {
        std::array<QString, DiagramStrings * DiagramRows> blank;
        blank.fill(QStringLiteral(" "));
        return blank;
    }
};

} // namespace lyrovan
