#pragma once
// The positions of a chord in a tuning the chord database does not hold
// (its rows are for standard tuning): chosen at run time by the same rules
// and forms that wrote the database (theory/Positions.h), in the same
// order, lowest base fret first, and written into the cells as a stored
// row is read.

#include "theory/ChordPosition.h"
#include "theory/Tuning.h"

#include <vector>

namespace lyrovan {

// The positions of chord type typeIndex (the chord list's index) on the
// key at keyIndex, tuned so; none for a scale, an index out of range, or a
// chord the tuning has no playable position of.
std::vector<ChordPosition> GeneratedPositions(const Tuning& tuning, int keyIndex, int typeIndex);

} // namespace lyrovan
