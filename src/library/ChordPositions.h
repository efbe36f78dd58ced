#pragma once
// The stored positions of the chord shown: the chord query runs through the
// data source datChords, and the position buttons step round its rows;
// each step decodes the current row's Fingering and Fret into a
// ChordPosition for the diagram.
//
// A step never fails: a move, a read or a conversion that fails is passed
// over. An empty result gives empty cells; a Fret that cannot be read
// leaves the base fret of the position shown before.
//
// In any tuning but standard the database's rows do not fit: the query
// then takes the positions the voicing rules choose for that tuning
// (GeneratedPositions, kept once made), and the steps go round them just
// as round the rows.

#include "theory/ChordPosition.h"
#include "theory/Tuning.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <map>
#include <tuple>
#include <vector>

namespace lyrovan {

class DataSource;

class ChordPositions : public QObject {
    Q_OBJECT
public:
    explicit ChordPositions(QObject* parent = nullptr);

    // Names the database file the first query opens; opens nothing itself.
    // A missing file's error names alsoLookedIn too.
    void setDatabaseName(const QString& path, const QStringList& alsoLookedIn = {});

    // Runs the query for the key ("C ", "A#") and the chord list's index
    // (-1: none chosen) and makes its first row current. Throws the run-time
    // error of a database that cannot be read.
    void Query(const QString& key, int chordIndex);
    // The tuning the next query is for.
    void setTuning(const Tuning& tuning) { m_tuning = tuning; }
    int RecordCount() const;
    // The current row's number from 1 (0: none), as "position 2 of 7" counts.
    int PositionNumber() const;

    // Moves as position button Index asks (0 next, 1 previous, both round
    // the rows; 2 the first row; any other: no move) and returns the
    // current row as a position.
    const ChordPosition& Step(int Index);
    // The position the last step gave.
    const ChordPosition& current() const { return m_current; }

    DataSource* datChords() const { return m_datChords; }

private:
    bool generated() const { return !(m_tuning == StandardTuning); }
    const ChordPosition& StepGenerated(int Index);

    DataSource* m_datChords;
    ChordPosition m_current;
    Tuning m_tuning = StandardTuning;
    // The positions of the chord queried in another tuning, and the one shown.
    const std::vector<ChordPosition>* m_generated = nullptr;
    std::size_t m_row = 0;
    std::map<std::tuple<std::array<int, GuitarStrings>, int, int>, std::vector<ChordPosition>> m_made;
};

} // namespace lyrovan
