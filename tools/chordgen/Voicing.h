#pragma once
// Guitar voicings of a chord: which notes a chord needs and allows, whether
// a set of frets is a correct and playable position, which fingers press it,
// and how it is written into a chord diagram of the chord database.

#include "theory/Tuning.h"

#include <array>
#include <optional>
#include <string>

namespace lyrovan::chordgen {

inline constexpr int StringCount = 6;
inline constexpr int MaxFret = 21;   // highest fret of the neck
inline constexpr int MaxSpan = 3;    // highest minus lowest pressed fret
inline constexpr int MinSounding = 4; // fewer only for shells and top-string triads
inline constexpr int Muted = -1;
inline constexpr int DiagramRows = 6;

// The open strings as MIDI notes. Index 0 is string 6 (low E in standard
// tuning), index 5 is string 1: all arrays of six below use this
// low-to-high order. The rules take the tuning as a parameter; the known
// forms (Positions.h) are written for standard tuning.
using Tuning = std::array<int, StringCount>;

// A tuning of the program's (string 1 first) in this order.
constexpr Tuning LowToHigh(const lyrovan::Tuning& tuning)
{
    Tuning open{};
    for (int string = 1; string <= StringCount; ++string)
        open[static_cast<std::size_t>(StringCount - string)] = tuning.openNote(string);
    return open;
}
inline constexpr Tuning StandardTuning = LowToHigh(lyrovan::StandardTuning);

// Fret of each string: Muted, 0 for the open string, or 1..MaxFret.
using Frets = std::array<int, StringCount>;

// Finger on each string: '1'..'4' when pressed, Thumb for the thumb over the
// neck on string 6, 0 when open or muted.
using Fingers = std::array<char, StringCount>;
inline constexpr char Thumb = 'T';

struct ChordTones {
    int rootPc = 0;
    int fifthPc = -1;   // the perfect fifth if the formula has it, else -1
    int minorThirdPc = -1; // the minor third if the formula has it, else -1
    int allowedMask = 0;  // bit n set: pitch class n may sound
    int requiredMask = 0; // bit n set: pitch class n must sound
    int optionalMask = 0; // allowed tones that may be left out
    int toneCount = 0;    // notes in the formula: 3 for triads, 4 and more for
                          // the sixth, seventh and extended chords
};

// Notes of chord type typeIndex (0..31) on the key at keyIndex (0..11), in
// the order of the tables in theory/ChordTables.h.
ChordTones chordTones(int keyIndex, int typeIndex);

// The formula digits chord type typeIndex may leave out.
std::string_view optionalDigits(int typeIndex);

struct FingerChoice {
    Fingers fingers{};
    bool barre = false;
    int cost = 0; // lower is more natural
};

// The most natural way to press frets with fingers 1..4, if there is one:
// fingers ordered by fret and, on one fret, from the lower string up; one
// finger may lie across strings as a barre on the lowest pressed fret, with
// every string under it pressed. Where that cannot play the position, or
// only with four fingers side by side on one fret, the ring or little finger
// lies across neighbouring strings on the highest fret instead (x02555,
// 1x333x). Failing that, and only with thumb, the thumb may take string 6
// at the index finger's fret or next to it.
std::optional<FingerChoice> assignFingers(const Frets& frets, bool thumb = false);

// Frets on which all four fingers press side by side.
int crowdedFrets(const Frets& frets, const Fingers& fingers);

struct Voicing {
    Frets frets{};
    Fingers fingers{};
    bool inversion = false;  // bass other than the root: a triad on strings 3-2-1
    int droppedOptional = 0; // optional tones that do not sound
    int score = 0;           // lower is a better position
};

// frets as a position of chord, or nothing if it breaks a rule: a foreign or
// missing note, wrong bass, too few strings, gaps, span, fingering, encoding.
// The bass is the root. Three strings are enough for two forms only: the
// triad on strings 3-2-1, whose bass may be any of its notes (the
// inversions), and the shell of a sixth, seventh or extended chord on the
// root on string 6 or 5 (8-7-8, 8-x-8-9). A muted string between sounding
// strings is allowed only in those chords: one muted string above the root
// as bass on string 6 or 5 (8x998x). The thumb is used only with thumb.
std::optional<Voicing> makeVoicing(const Frets& frets, const ChordTones& chord, const Tuning& tuning = StandardTuning,
                                   bool thumb = false);

// True if three or more notes on strings 6 to 3 lie within a perfect fifth,
// string 6 among them (8-6-5-5-x-x): a close chord that low sounds muddy.
// The close triad from string 5 up (the C form, x-4-3-1-2-1) is not counted.
bool lowCluster(const Frets& frets, const Tuning& tuning = StandardTuning);

// True if a and b sound exactly the same pitches, doubled or not.
bool soundsAlike(const Frets& a, const Frets& b, const Tuning& tuning = StandardTuning);

// How hard the fingers of voicing are to hold, beyond what its score says: 0
// for ordinary shapes, more for a finger on string 6 or 5 three frets above
// an index barre over the middle strings, for four fingers on one fret, and
// for the ring or little finger on string 6 or 5 three frets above an index
// finger that lies on higher strings. Such positions are allowed, only harder.
int awkwardness(const Voicing& voicing);

int soundingCount(const Frets& frets);
int lowestPressed(const Frets& frets); // 0 when nothing is pressed
int highestPressed(const Frets& frets);
bool hasOpenString(const Frets& frets);

// True if a sounds on fewer strings than b with the same frets there.
bool isSubsetOf(const Frets& a, const Frets& b);

// Index of the lowest sounding string (0 = string 6), StringCount if none.
int bassString(const Frets& frets);

// frets moved up the neck by shift frets, open strings included; muted
// strings stay muted.
Frets shifted(const Frets& frets, int shift);

struct Diagram {
    int baseFret = 0;
    std::string cells; // 36 characters, rows 0..5, strings 1..6 within a row
};

Diagram encodeDiagram(const Voicing& voicing);

// "x32010" style, low E first; frets above 9 as "(10)".
std::string shapeText(const Frets& frets);

} // namespace lyrovan::chordgen
