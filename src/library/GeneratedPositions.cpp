#include "GeneratedPositions.h"

#include "ChordTexts.h"
#include "theory/ChordTables.h"
#include "theory/Positions.h"

namespace lyrovan {

std::vector<ChordPosition> GeneratedPositions(const Tuning& tuning, int keyIndex, int typeIndex)
{
    std::vector<ChordPosition> positions;
    if (keyIndex < 0 || keyIndex >= KeyCount || typeIndex < 0 || typeIndex >= chordgen::GeneratedTypeCount)
        return positions;
    for (const chordgen::Position& chosen : chordgen::choosePositions(keyIndex, typeIndex, chordgen::LowToHigh(tuning))) {
        // The diagram's text, as chordgen writes it into a row.
        const chordgen::Diagram diagram = chordgen::encodeDiagram(chosen.voicing);
        const QString fingering = QString::fromLatin1(diagram.cells.data(), static_cast<qsizetype>(diagram.cells.size()));
        ChordPosition position;
        for (int row = 0; row < DiagramRows; ++row)
            for (int string = 1; string <= DiagramStrings; ++string)
                position.cell(string, row) = FingeringCell(fingering, string, row);
        position.fret = static_cast<std::int16_t>(diagram.baseFret);
        position.stored = true;
        positions.push_back(position);
    }
    return positions;
}

} // namespace lyrovan
