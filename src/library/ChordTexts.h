#pragma once
// The texts of the chord library: the query for a key and chord type, the
// cells of a stored fingering, the base fret of a position and the captions
// that name the chord and the position.

#include "theory/ChordPosition.h"

#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>

namespace lyrovan {

// The query for the stored positions of a chord, lowest fret first. key is
// the two-character key name put in unchanged ("C ", "A#"); chordIndex is
// the chord list's index (-1 with no selection).
QString ChordQuerySql(const QString& key, int chordIndex);

// The caption of the cell of string (1..6) in row (0..5) for a fingering
// text: its one character there, or the empty text where the text is shorter.
QString FingeringCell(const QString& fingering, int string, int row);

// A field read as text; a null field gives the empty text.
QString FieldText(const QVariant& value);

// A Fret field as a 16-bit base fret; nothing for a null, non-numeric or
// out-of-range value. Fractions round half to even.
std::optional<std::int16_t> PositionFretFrom(const QVariant& value);

// "C E G " -> "C  E  G  ": each two-character note name and one blank.
QString NoteList(const QString& construct);

// The four captions: status bar left and middle, diagram fret and chord.
QString StatusChordCaption(const QString& key, const QString& suffix);
QString ConstructionCaption(const QString& construct);
QString FretCaption(int fret);
QString DiagramChordCaption(const QString& key, const QString& suffix);

} // namespace lyrovan
