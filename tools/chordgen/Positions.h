#pragma once
// Choosing the positions of one chord: the shapes guitarists learn, moved to
// every key, plus whatever a search of the neck finds, checked against the
// rules in Voicing.h and picked so that they spread along the neck.

#include "Voicing.h"

#include <span>
#include <string_view>
#include <vector>

namespace lyrovan::chordgen {

inline constexpr int MinPositions = 4;
inline constexpr int MaxPositions = 8;
inline constexpr int GeneratedTypeCount = 32; // chord types 0..31; scales get none

// A known shape as played in one key, low E first ("x32010").
struct Shape {
    int typeIndex;
    std::string_view key;   // two-character key text, "C " or "F#"
    std::string_view frets; // six characters 'x' or '0'..'9'
    bool core;              // must appear in every key where it fits
};

std::span<const Shape> knownShapes();

// frets of a shape text; nothing if it is not six 'x'/'0'..'9' characters.
std::optional<Frets> parseShape(std::string_view text);

// Index 0..11 of a two-character key text, -1 if unknown.
int keyIndexOf(std::string_view keyText);

// The positions of chord type typeIndex on the key at keyIndex, ordered by
// diagram base fret, then by frets.
std::vector<Voicing> choosePositions(int keyIndex, int typeIndex);

// Every position the rules allow for chord, found by trying all frets.
std::vector<Voicing> searchNeck(const ChordTones& chord);

} // namespace lyrovan::chordgen
