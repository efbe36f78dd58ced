#pragma once
// datChords: the hidden data source over the chord database. It holds the
// database file name and the record source (an SQL text) that the next
// refresh runs.

#include <QObject>
#include <QString>

namespace lyrovan {

class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);

    QString DatabaseName() const { return m_databaseName; }
    // Names the file the next refresh opens; opens nothing itself.
    void setDatabaseName(const QString& path) { m_databaseName = path; }

    QString RecordSource() const { return m_recordSource; }
    void setRecordSource(const QString& sql) { m_recordSource = sql; }

private:
    QString m_databaseName;
    QString m_recordSource = QStringLiteral("Chords");
};

} // namespace lyrovan
