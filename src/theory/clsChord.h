#pragma once
// The shared chord state and the chord object that reads it.
//
// The two selection handlers write the note row and the formula into
// ChordState; clsChord derives the key name and the chord's note names from
// them afresh on every read, so a change is visible through it at once.

#include <QString>

namespace lyrovan {

struct ChordState {
    QString CurrentNoteRow; // 24 chars, empty until the first key selection
    QString CurrentFormula; // formula digits, empty until the first chord selection
};

class clsChord {
public:
    explicit clsChord(const ChordState& state) : m_state(state) {}

    // The key's note name: the first two characters of the note row ("C ", "C#").
    QString Key() const;
    // The chord's note names, two characters each, in formula order.
    QString Construct() const;

private:
    const ChordState& m_state;
};

} // namespace lyrovan
