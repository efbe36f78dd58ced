#include "ChordPositions.h"

#include "ChordTexts.h"
#include "DataSource.h"
#include "GeneratedPositions.h"
#include "theory/ChordTables.h"

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
    if (generated()) {
        const int keyIndex = [&] {
            for (int k = 0; k < KeyCount; ++k)
                if (TableText(Keys[static_cast<std::size_t>(k)].noteRow.substr(0, 2)) == key)
                    return k;
            return -1;
        }();
        const auto id = std::make_tuple(m_tuning.open, keyIndex, chordIndex);
        auto made = m_made.find(id);
        if (made == m_made.end())
            made = m_made.emplace(id, GeneratedPositions(m_tuning, keyIndex, chordIndex)).first;
        m_generated = &made->second;
        m_row = 0;
        return;
    }
    m_generated = nullptr;
    m_datChords->setRecordSource(ChordQuerySql(key, chordIndex));
    m_datChords->Refresh();
}

int ChordPositions::RecordCount() const
{
    if (m_generated)
        return static_cast<int>(m_generated->size());
    return m_datChords->RecordCount();
}

int ChordPositions::PositionNumber() const
{
    return m_datChords->AbsolutePosition() + 1;
}

const ChordPosition& ChordPositions::Step(int Index)
{
    if (m_generated)
        return StepGenerated(Index);
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

const ChordPosition& ChordPositions::StepGenerated(int Index)
{
    const std::vector<ChordPosition>& made = *m_generated;
    const std::size_t count = made.size();
    if (count == 0) {
        // As a query without rows: empty cells, the base fret kept.
        for (int row = 0; row < DiagramRows; ++row)
            for (int string = 1; string <= DiagramStrings; ++string)
                m_current.cell(string, row) = FingeringCell(QString(), string, row);
        m_current.stored = false;
        return m_current;
    }
    if (Index == 0)
        m_row = (m_row + 1) % count;
    else if (Index == 1)
        m_row = (m_row + count - 1) % count;
    else if (Index == 2)
        m_row = 0;
    m_current = made[m_row];
    return m_current;
}

} // namespace lyrovan
