#pragma once
// Small chord databases written by the tests: a Chords table with the four
// fields the program reads, filled from a list of rows. The writing
// connection is closed and removed before anything else reads the file.

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVector>

namespace lyrovan::test {

struct ChordRow {
    QString key;        // "C ", "A#"
    int name = 0;       // chord type index
    QVariant fret;      // a number, or anything else to store as it is
    QVariant fingering; // 36 characters, or null
};

// Writes rows into a new database file at path; the create statement can be
// replaced to make a file of another shape. Returns an error text, empty on success.
inline QString WriteChordDb(const QString& path, const QVector<ChordRow>& rows,
                            const QString& create = QStringLiteral(
                                "CREATE TABLE Chords (Id INTEGER PRIMARY KEY, [Key] TEXT, [Name] INTEGER, "
                                "[Fret] INTEGER, [Fingering] TEXT)"))
{
    const QString connection = QStringLiteral("test.writer.") + path;
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery query(db);
            if (!query.exec(create))
                error = query.lastError().text();
            db.transaction();
            for (const ChordRow& row : rows) {
                if (!error.isEmpty())
                    break;
                query.prepare(QStringLiteral(
                    "INSERT INTO Chords ([Key], [Name], [Fret], [Fingering]) VALUES (?, ?, ?, ?)"));
                query.addBindValue(row.key);
                query.addBindValue(row.name);
                query.addBindValue(row.fret);
                query.addBindValue(row.fingering);
                if (!query.exec())
                    error = query.lastError().text();
            }
            db.commit();
            query.finish();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return error;
}

// The file's bytes as a hash, or an empty array when it does not exist.
inline QByteArray FileHash(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// A 36-character fingering from its six rows, each given for strings 1..6.
inline QString Fingering(const QString& r0, const QString& r1 = QStringLiteral("      "),
                         const QString& r2 = QStringLiteral("      "), const QString& r3 = QStringLiteral("      "),
                         const QString& r4 = QStringLiteral("      "), const QString& r5 = QStringLiteral("      "))
{
    return r0 + r1 + r2 + r3 + r4 + r5;
}

} // namespace lyrovan::test
