#pragma once
// Tunings as the user reads and writes them: the notes of the open strings
// from the lowest up ("D A D G A D"), the Tuning menu's captions, and a
// tuning given on the command line, by name or as notes with octaves.

#include "Tuning.h"

#include <QString>

#include <optional>

namespace lyrovan {

// The two families of instruments, each with a tuning of its own.
enum class Family { Guitar, Bass };

// The open strings' note names from the lowest string up, one blank
// between them: six for a guitar, four for a bass ("E A D G").
QString TuningNotes(const Tuning& tuning, Family family);

// A menu entry's caption: "Drop D (D A D G B E)".
QString TuningCaption(const NamedTuning& named, Family family);

// The name of a tuning of family: its menu name ("Open G"), else its notes.
QString TuningName(const Tuning& tuning, Family family);

// What --tuning asks for: a tuning for either family or both. A name sets
// every family that has a tuning of that name; six notes set the guitar's,
// four the bass's.
struct TuningRequest {
    std::optional<Tuning> guitar;
    std::optional<Tuning> bass;
};

// Reads a tuning's name (any case; blanks, '-' and '_' ignored: "open-g")
// or its notes with octaves, lowest string first, separated by commas or
// blanks: six for a guitar ("E2,A2,D3,G3,B3,E4"), four for a bass as it
// sounds ("E1,A1,D2,G2"); '#' or 'b' after the letter. Nothing, with the
// reason in error, for anything else.
std::optional<TuningRequest> ParseTuning(const QString& text, QString* error);

} // namespace lyrovan
