#pragma once
// The instrument menu: eight General MIDI guitars, a separator and eight
// basses. Program numbers are 0-based General MIDI programs; above 31 is a
// bass, which strums four strings an octave lower.

#include <array>
#include <string_view>

namespace lyrovan {

struct InstrumentEntry {
    int menuIndex;            // element of the menu array mnuInst, 1..17
    std::string_view caption; // "-" for the separator
    int program;              // -1 for the separator
};

inline constexpr int FirstInstrumentIndex = 1;
inline constexpr int LastInstrumentIndex = 17;
inline constexpr int SeparatorIndex = 9;
inline constexpr int LastGuitarProgram = 31;
// The programs the menu offers: the guitars and the basses.
inline constexpr int FirstProgram = 24;
inline constexpr int LastProgram = 39;

inline constexpr std::array<InstrumentEntry, 17> Instruments{{
    {1, "Acoustic Guitar (Nylon Strings)", 24},
    {2, "Acoustic Guitar (Steel Strings)", 25},
    {3, "Electric Guitar (Jazz)", 26},
    {4, "Electric Guitar (Clean)", 27},
    {5, "Electric Guitar (Muted)", 28},
    {6, "Overdriven Guitar", 29},
    {7, "Distortion Guitar", 30},
    {8, "Guitar Harmonics", 31},
    {9, "-", -1},
    {10, "Acoustic Bass", 32},
    {11, "Electric Bass (Finger)", 33},
    {12, "Electric Bass (Pick)", 34},
    {13, "Fretless Bass", 35},
    {14, "Slap Bass 1", 36},
    {15, "Slap Bass 2", 37},
    {16, "Synth Bass 1", 38},
    {17, "Synth Bass 2", 39},
}};

constexpr const InstrumentEntry& InstrumentAt(int menuIndex)
{
    return Instruments[static_cast<std::size_t>(menuIndex - FirstInstrumentIndex)];
}

} // namespace lyrovan
