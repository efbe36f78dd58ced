#pragma once
// The open strings the program knows, as MIDI note numbers (60 is middle C).
// The neck's note names, the strum's notes and the chord generator all take
// the tuning from here.

#include <array>

namespace lyrovan {

inline constexpr int GuitarStrings = 6;

struct Tuning {
    // The note of each open string, string 1 (highest) first.
    std::array<int, GuitarStrings> open;

    constexpr int openNote(int string) const { return open[static_cast<std::size_t>(string - 1)]; }
    // The note name's pitch class (0 = C .. 11 = B) of an open string.
    constexpr int openPitchClass(int string) const { return openNote(string) % 12; }
};

// E4 B3 G3 D3 A2 E2 from string 1 to string 6.
inline constexpr Tuning StandardTuning{{64, 59, 55, 50, 45, 40}};

// A bass plays the guitar's four lowest strings an octave lower.
inline constexpr int BassStrings = 4;
inline constexpr int BassOctaveDown = 12;

} // namespace lyrovan
