#include "ChordPositions.h"

#include "ChordTexts.h"
#include "DataSource.h"

namespace lyrovan {

namespace {

// Runs one step of a position change; a step that fails is passed over.
template <typename Body>
void Try(Body&& body)
{
    try {
        body();
    } catch (...) {
    }
}

} // namespace

ChordPositions::ChordPositions(QObject* parent) : QObject(parent), m_datChords(new DataSource(this)) {}

void ChordPositions::setDatabaseName(const QString& path, const QStringList& alsoLookedIn)
{
    m_datChords->setDatabaseName(path, alsoLookedIn);
}

void ChordPositions::Query(const QString& key, int chordIndex)
{
    m_datChords->setRecordSource(ChordQuerySql(key, chordIndex));
    m_datChords->Refresh();
}

int ChordPositions::RecordCount() const
{
    return m_datChords->RecordCount();
}

const ChordPosition& ChordPositions::Step(int Index)
{
    DataSource& rows = *m_datChords;
    switch (Index) {
    case 0:
        Try([&] { rows.MoveNext(); });
        Try([&] {
            if (rows.Eof())
                rows.MoveFirst();
        });
        break;
    case 1:
        Try([&] { rows.MovePrevious(); });
        Try([&] {
            if (rows.Bof())
                rows.MoveLast();
        });
        break;
    case 2:
        Try([&] { rows.MoveFirst(); });
        break;
    default:
        break;
    }

    QString fingering;
    bool read = false;
    Try([&] {
        fingering = FieldText(rows.Field(QStringLiteral("Fingering")));
        read = true;
    });
    for (int row = 0; row < DiagramRows; ++row)
        for (int string = 1; string <= DiagramStrings; ++string)
            m_current.cell(string, row) = FingeringCell(fingering, string, row);
    m_current.stored = read && !fingering.isEmpty();
    Try([&] {
        if (const auto fret = PositionFretFrom(rows.Field(QStringLiteral("Fret"))))
            m_current.fret = *fret;
    });
    return m_current;
}

} // namespace lyrovan
