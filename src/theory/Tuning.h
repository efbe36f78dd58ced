#pragma once
// The open strings the program knows, as MIDI note numbers (60 is middle C).
// The neck's note names, the strum's notes and the chord generator all take
// the tuning from here.
//
// A tuning is always six strings. A bass plays the four lowest an octave
// lower; its tunings name strings 2 and 1 as standard tuning lies above
// string 3 (a fourth and an octave up), so the neck shows six strings for
// either family.

#include <array>
#include <string_view>

namespace lyrovan {

inline constexpr int GuitarStrings = 6;

struct Tuning {
    // The note of each open string, string 1 (highest) first.
    std::array<int, GuitarStrings> open;

    constexpr int openNote(int string) const { return open[static_cast<std::size_t>(string - 1)]; }
    // The note name's pitch class (0 = C .. 11 = B) of an open string.
    constexpr int openPitchClass(int string) const { return openNote(string) % 12; }

    constexpr bool operator==(const Tuning&) const = default;
};

// E4 B3 G3 D3 A2 E2 from string 1 to string 6.
inline constexpr Tuning StandardTuning{{64, 59, 55, 50, 45, 40}};

// A bass plays the guitar's four lowest strings an octave lower.
inline constexpr int BassStrings = 4;
inline constexpr int BassOctaveDown = 12;

struct NamedTuning {
    std::string_view name;
    Tuning tuning;
};

// The guitar tunings the Tuning menu offers, in its order; standard first.
inline constexpr std::array<NamedTuning, 11> GuitarTunings{{
    {"Standard", StandardTuning},
    {"Drop D", {{64, 59, 55, 50, 45, 38}}},
    {"Double drop D", {{62, 59, 55, 50, 45, 38}}},
    {"DADGAD", {{62, 57, 55, 50, 45, 38}}},
    {"Open G", {{62, 59, 55, 50, 43, 38}}},
    {"Open D", {{62, 57, 54, 50, 45, 38}}},
    {"Open E", {{64, 59, 56, 52, 47, 40}}},
    {"Open C", {{64, 60, 55, 48, 43, 36}}},
    {"Half step down", {{63, 58, 54, 49, 44, 39}}},
    {"Whole step down", {{62, 57, 53, 48, 43, 38}}},
    {"Drop C", {{62, 57, 53, 48, 43, 36}}},
}};

// The bass tunings, strings 6..3 an octave above the bass's sound.
inline constexpr std::array<NamedTuning, 5> BassTunings{{
    {"Standard", StandardTuning},
    {"Drop D", {{64, 59, 55, 50, 45, 38}}},
    {"Half step down", {{63, 58, 54, 49, 44, 39}}},
    {"Whole step down", {{62, 57, 53, 48, 43, 38}}},
    {"Drop C", {{62, 57, 53, 48, 43, 36}}},
}};

// A bass tuning from its four strings as they sound, lowest first: strings
// 6..3 an octave up, strings 2 and 1 a fourth and an octave above string 3.
constexpr Tuning BassTuningFrom(const std::array<int, BassStrings>& lowFirst)
{
    const int third = lowFirst[3] + BassOctaveDown;
    return Tuning{{third + 9, third + 4, third, lowFirst[2] + BassOctaveDown, lowFirst[1] + BassOctaveDown,
                   lowFirst[0] + BassOctaveDown}};
}

} // namespace lyrovan
