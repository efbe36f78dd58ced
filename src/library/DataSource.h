#pragma once
// datChords: the hidden data source over the chord database. It holds the
// database file name and the record source (an SQL text) that the next
// refresh runs, and the rows of the last refresh with a current position.
//
// The position is a record set's: before the first row (BOF), on a row, or
// after the last row (EOF); an empty set is at BOF and EOF at once. Moving
// past BOF or EOF, moving in an empty set or reading a field with no current
// row raises RuntimeError::NoCurrentRecord.
//
// The file is opened read-only and as immutable on the first refresh (and
// again after the file name changes); it is never created, written or
// locked, and no journal or other file is made beside it: every refresh
// reads all rows of its result into memory.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <vector>

namespace lyrovan {

class DataSource : public QObject {
    Q_OBJECT
public:
    // Reading a field the result does not have.
    static constexpr std::int32_t FieldNotFound = 3265;

    explicit DataSource(QObject* parent = nullptr);
    ~DataSource() override;

    QString DatabaseName() const { return m_databaseName; }
    // Names the file the next refresh opens; opens nothing itself. When the
    // file does not exist, the error names alsoLookedIn too: the other
    // folders it was looked for in.
    void setDatabaseName(const QString& path, const QStringList& alsoLookedIn = {});

    QString RecordSource() const { return m_recordSource; }
    // The SQL text the next refresh runs.
    void setRecordSource(const QString& sql) { m_recordSource = sql; }

    // Opens the database if needed, runs the record source and makes the
    // first row current. On failure the result is left empty, whatever it
    // held before.
    void Refresh();

    int RecordCount() const { return static_cast<int>(m_rows.size()); }

    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    // Before the first row / after the last row (both for an empty result).
    bool Bof() const { return m_rows.empty() || m_position < 0; }
    bool Eof() const { return m_rows.empty() || m_position >= RecordCount(); }

    // The named field of the current row (names compare without case); a
    // NULL stays a null QVariant.
    QVariant Field(const QString& name) const;

private:
    void Open();
    void Close();
    void ClearResult();
    [[noreturn]] void FailOpen(const QString& cause) const;

    QString m_databaseName;
    QStringList m_alsoLookedIn;
    QString m_recordSource = QStringLiteral("Chords");
    QString m_connection;     // this object's own Qt SQL connection name
    QString m_openedFile;     // the file the connection has open, empty if none

    QStringList m_fields;
    std::vector<std::vector<QVariant>> m_rows;
    int m_position = -1;
};

} // namespace lyrovan
