#pragma once
// Choosing the positions of one chord. Candidates come in the order a teacher
// would show them: the open-position forms, the barre forms with the root on
// string 6 (E shape) and string 5 (A shape), for sixth, seventh and extended
// chords the jazz forms, the other forms of the CAGED system (C, D and G
// shape), the small forms on four strings, and last whatever a search of the
// neck finds. Each candidate is checked against the rules in Voicing.h; the
// first ones that do not repeat an earlier choice are kept.

#include "Voicing.h"

#include <span>
#include <string_view>
#include <vector>

namespace lyrovan::chordgen {

inline constexpr int MinPositions = 4;
inline constexpr int MaxPositions = 8;
inline constexpr int GeneratedTypeCount = 32; // chord types 0..31; scales get none
inline constexpr int MaxFifthBass = 2;        // positions per chord with the fifth as bass
// The forms are placed in frets 0..12; at most one position of a chord
// starts above this fret.
inline constexpr int UpperNeckFret = 12;
inline constexpr int MaxUpperNeck = 1;

// A known shape as played in one key, low E first ("x32010").
struct Shape {
    int typeIndex;
    std::string_view key;   // two-character key text, "C " or "F#"
    std::string_view frets; // six characters 'x' or '0'..'9'
};

// The shapes taught in their own key (mostly open-position chords).
std::span<const Shape> knownShapes();

// frets of a shape text; nothing if it is not six 'x'/'0'..'9' characters.
std::optional<Frets> parseShape(std::string_view text);

// Index 0..11 of a two-character key text, -1 if unknown.
int keyIndexOf(std::string_view keyText);

struct Position {
    Voicing voicing;
    std::string_view form; // where it comes from: "open", "E shape", "search", ...
};

// The positions of chord type typeIndex on the key at keyIndex, ordered by
// diagram base fret and, on one base fret, in the order of choice.
std::vector<Position> choosePositions(int keyIndex, int typeIndex);

// Every position the rules allow for chord, found by trying all frets.
std::vector<Voicing> searchNeck(const ChordTones& chord);

// True if a, moved up or down twelve frets, is b or lies within it, or b
// lies within it: the same shape an octave away.
bool isOctaveCopy(const Frets& a, const Frets& b);

// True if a is b with one or more treble strings left off: the same frets
// from the same bass string up, and nothing above.
bool isTrebleCut(const Frets& a, const Frets& b);

// True if the lowest pressed fret lies above UpperNeckFret.
bool startsHigh(const Frets& frets);

} // namespace lyrovan::chordgen
