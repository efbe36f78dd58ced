#pragma once
// The strum's music: which string each step plays at which open-string
// note, how a diagram column turns into a fret offset, and how MIDI short
// messages are packed with 16-bit note arithmetic.

#include <QStringList>
#include <cstdint>
#include <optional>

namespace lyrovan {

inline constexpr int GuitarEndStep = 7;
inline constexpr int BassEndStep = 5;

// What one step of a strum does: play diagram string `string` (6 = lowest)
// from open-string note `baseNote`, or end the strum.
struct StrumStepPlan {
    bool ends = false;
    int string = 0;
    int baseNote = 0;
};

// The plan for step 1..7 (the counter after it was counted up); a bass
// (program above 31) plays strings 6 to 3 an octave lower and ends at step 5.
StrumStepPlan PlanStrumStep(int step, bool bass);

// The fret offset a diagram column sounds at, rows 0..5 from the nut: none
// when any cell reads "X"; else the marked cell farthest from the nut at
// positionFret + row; an unmarked column sounds the open string (0).
std::optional<int> ColumnOffset(const QStringList& cells, int positionFret);

// Packs a note-on: 0x90 + channel + note * 256 + velocity * 65536. The note
// travels as a 16-bit value: a note outside 0..127 cannot be packed and
// raises the overflow error (6).
std::uint32_t PackNoteOn(int channel, int note, int velocity);
// Packs a program change for channel 0: 0xC0 + program * 256.
std::uint32_t PackProgramChange(int program);

} // namespace lyrovan
