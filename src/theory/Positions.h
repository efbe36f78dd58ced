#pragma once
// Choosing the positions of one chord: what a teacher hands out. Candidates
// come in the order a teacher would show them: the open-position forms, the
// barre forms with the root on string 6 (E shape) and string 5 (A shape)
// and the five-string ninth, for sixth, seventh and extended chords the
// jazz grips and the shells, the C and D shapes, for major and minor the
// triads on strings 3-2-1, the small forms on four strings, and only where
// all these leave a chord short, a search of the neck. Each candidate is
// checked against the rules in Voicing.h; of two that sound the same
// pitches the easier is kept, and the first ones that do not repeat an
// earlier choice are stored. The lowest of them (the program lists a
// chord's positions by base fret) is a form a beginner is taught.
//
// In other tunings the known shapes carry over where the tuning keeps four
// or more strings of standard tuning moved by some semitones (a key away in
// half step down, with the low string's root sounding open in a drop
// tuning); an open tuning opens with its own open chord and the barre
// across it.

#include "Voicing.h"

#include <span>
#include <string_view>
#include <vector>

namespace lyrovan::chordgen {

inline constexpr int MinPositions = 4;
inline constexpr int MaxPositions = 12;
inline constexpr int GeneratedTypeCount = 32; // chord types 0..31; scales get none
// Positions lie within frets 0..TopFret; at most one of a chord starts
// above UpperNeckFret.
inline constexpr int TopFret = 15;
inline constexpr int UpperNeckFret = 12;
inline constexpr int MaxUpperNeck = 1;

// A known shape as played in one key, low E first ("x32010").
struct Shape {
    int typeIndex;
    std::string_view key;   // two-character key text, "C " or "F#"
    std::string_view frets; // six characters 'x' or '0'..'9'
};

// The shapes taught in their own key (mostly open-position chords), in
// standard tuning.
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
// diagram base fret; on the lowest one the opening form comes first, then
// the others in the order of choice.
std::vector<Position> choosePositions(int keyIndex, int typeIndex, const Tuning& tuning = StandardTuning);

// Every position with four or more strings that the rules allow for chord
// within frets 0..TopFret, found by trying all frets; with thumb also those
// that need the thumb over the neck.
std::vector<Voicing> searchNeck(const ChordTones& chord, const Tuning& tuning = StandardTuning, bool thumb = false);

// True if a or b, moved up or down twelve frets, is the other or lies
// within it, or the other lies within it: the same shape an octave away.
bool isOctaveCopy(const Frets& a, const Frets& b);

// True if a is b with one or more treble strings left off: the same frets
// from the same bass string up, and nothing above.
bool isTrebleCut(const Frets& a, const Frets& b);

// True if the lowest pressed fret lies above UpperNeckFret.
bool startsHigh(const Frets& frets);

} // namespace lyrovan::chordgen
