#pragma once
// Reading a recorded strum: where each note starts, and whether the sound
// dropped out.
//
// The synthesizer plays a note the same way every time, and what it plays
// is the sum of its notes: NoteSound renders each note alone, and
// NoteOnsets takes the notes of a strum in turn, slides the note's sound
// along the recording near where it is expected, takes the offset where
// the two agree best (a matched filter), and subtracts the note there
// before it looks for the next, so that the strings still ringing do not
// mislead it. On an offline rendering with known note times it finds each
// note to the sample (bench_strum checks).
//
// A dropout (the output did not deliver in time) is heard at a null sink
// as exact digital silence in the middle of ringing strings: DropoutsIn
// counts runs of at least minimumRun samples that are exactly zero.

#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

namespace lyrovan::test {

// Note `note` of General MIDI program `program` at velocity, alone, mono
// (the mean of the two channels), frames long from its first frame, as the
// soundfont soundFont plays it at 44.1 kHz; empty if it cannot be loaded.
std::vector<float> NoteSound(const QString& soundFont, int program, int note, int velocity, int frames);

// Where each note starts in samples, note k between expected[k] - window and
// expected[k] + window; sounds[k] is note k's NoteSound, long enough to
// reach past the last note. Nothing for a note it does not find.
std::vector<std::optional<std::size_t>> NoteOnsets(const std::vector<float>& samples,
                                                   const std::vector<std::vector<float>>& sounds,
                                                   const std::vector<std::size_t>& expected, std::size_t window);

int DropoutsIn(const std::vector<float>& samples, std::size_t from, std::size_t to, std::size_t minimumRun = 16);

} // namespace lyrovan::test
