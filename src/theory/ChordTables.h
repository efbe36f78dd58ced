#pragma once
// The musical facts the whole program works from: the twelve keys with their
// note rows, and the 37 chord and scale types with their formulas and
// suffixes. The list order of both tables is the order of the two selection
// lists, and a chord type's list index is its number in the chord database.

#include <QString>

#include <array>
#include <string_view>

namespace lyrovan {

struct KeyEntry {
    std::string_view listText; // text in the key list, e.g. "A#/Bb"
    std::string_view noteRow;  // 24 chars: twelve two-char note names from the key up
};

struct ChordEntry {
    std::string_view listText; // text in the chord list, e.g. "minor seventh"
    std::string_view formula;  // interval digits "1".."9","A","B","C"
    std::string_view suffix;   // chord symbol shown after the key name
};

inline constexpr int KeyCount = 12;
inline constexpr int ChordTypeCount = 37;
inline constexpr int FirstScaleIndex = 32; // 32..35 are scales, 36 is "select all"

inline constexpr std::array<KeyEntry, KeyCount> Keys{{
    {"A", "A A#B C C#D D#E F F#G G#"},
    {"A#/Bb", "A#B C C#D D#E F F#G G#A "},
    {"B", "B C C#D D#E F F#G G#A A#"},
    {"C", "C C#D D#E F F#G G#A A#B "},
    {"C#/Db", "C#D D#E F F#G G#A A#B C "},
    {"D", "D D#E F F#G G#A A#B C C#"},
    {"D#/Eb", "D#E F F#G G#A A#B C C#D "},
    {"E", "E F F#G G#A A#B C C#D D#"},
    {"F", "F F#G G#A A#B C C#D D#E "},
    {"F#/Gb", "F#G G#A A#B C C#D D#E F "},
    {"G", "G G#A A#B C C#D D#E F F#"},
    {"G#/Ab", "G#A A#B C C#D D#E F F#G "},
}};

inline constexpr std::array<ChordEntry, ChordTypeCount> ChordTypes{{
    {"major", "158", "pure"},
    {"sixth", "158A", "6"},
    {"seventh", "158B", "7"},
    {"ninth", "1358B", "9"},
    {"eleventh", "13568B", "11"},
    {"eleventh sharp", "13578B", "11+"},
    {"thirteenth", "817B3A5", "13"},
    {"major sixth", "158A", "maj6"},
    {"major seventh", "158C", "maj7"},
    {"major ninth", "1358C", "maj9"},
    {"major eleventh", "1368C", "maj11"},
    {"seventh, flat fifth", "157B", "7-5"},
    {"seventh, flat ninth", "1258B", "7-9"},
    {"seventh, flat tenth", "1458B", "7-10"},
    {"augmented seventh", "159B", "7+5"},
    {"augmented ninth", "1359B", "9+5"},
    {"augmented seventh, flat ninth", "1259B", "7-9+5"},
    {"sixth, ninth", "1358A", "6.9"},
    {"diminished", "147A", "dim"},
    {"augmented", "159", "+5"},
    {"suspended fourth", "168", "sus4"},
    {"seventh, suspended fourth", "168B", "7sus4"},
    {"minor", "148", "m"},
    {"minor sixth", "148A", "m6"},
    {"minor seventh", "148B", "m7"},
    {"minor ninth", "1348B", "m9"},
    {"minor seventh, flat fifth", "147B", "m7-5"},
    {"minor seventh, flat ninth", "1248B", "m7-9"},
    {"minor, major seventh", "148C", "m+7"},
    {"minor ninth, major seventh", "1348C", "m9+7"},
    {"minor, sharp fifth", "149", "m+5"},
    {"minor sixth, ninth", "1348A", "m6.9"},
    {"major scale", "13568AC", "major scale"},
    {"major pentatonic scale", "1358A", "major pentatonic"},
    {"minor scale", "134689B", "minor scale"},
    {"minor pentatonic scale", "1468B", "minor pentatonic"},
    {"select all", "123456789ABC", "select all"},
}};

// The twelve note names in chromatic order from C, as they appear in note rows.
inline constexpr std::array<std::string_view, 12> NoteNames{
    "C ", "C#", "D ", "D#", "E ", "F ", "F#", "G ", "G#", "A ", "A#", "B "};

// Value of one formula digit: '1'..'9' -> 1..9, 'A' -> 10, 'B' -> 11, 'C' -> 12;
// 0 for any other character. The note is value - 1 semitones above the key.
constexpr int FormulaDigitValue(char c)
{
    if (c >= '1' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'C')
        return 10 + (c - 'A');
    return 0;
}

// Pitch class (0 = C .. 11 = B) of a two-character note name; -1 if unknown.
constexpr int PitchClassOf(std::string_view name)
{
    for (int i = 0; i < 12; ++i)
        if (NoteNames[i] == name)
            return i;
    return -1;
}

// A text of the tables as a QString.
inline QString TableText(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace lyrovan
