#pragma once
// The stored positions of the chord shown: the chord query runs through the
// data source datChords, and the position buttons step round its rows;
// each step decodes the current row's Fingering and Fret into a
// ChordPosition for the diagram.
//
// A step never fails: a move, a read or a conversion that fails is passed
// over. An empty result gives empty cells; a Fret that cannot be read
// leaves the base fret of the position shown before.

#include "theory/ChordPosition.h"

#include <QObject>
#include <QString>
#include <QStringList>

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
    int RecordCount() const;

    // Moves as position button Index asks (0 next, 1 previous, both round
    // the rows; 2 the first row; any other: no move) and returns the
    // current row as a position.
    const ChordPosition& Step(int Index);
    // The position the last step gave.
    const ChordPosition& current() const { return m_current; }

    DataSource* datChords() const { return m_datChords; }

private:
    DataSource* m_datChords;
    ChordPosition m_current;
};

} // namespace lyrovan
