// chordgen: writes the chord database the program shows fingerings from.
// Usage: chordgen <output path>
// The file is built under a temporary name in the same folder and renamed
// into place, so a half-written database never appears under its real name.

#include "Positions.h"
#include "theory/ChordTables.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

using namespace lyrovan;
using namespace lyrovan::chordgen;

const QString ConnectionName = QStringLiteral("chordgen");

void complain(const QString& text)
{
    std::fprintf(stderr, "chordgen: %s\n", qPrintable(text));
}

bool run(QSqlQuery& query, const QString& sql)
{
    if (query.exec(sql))
        return true;
    complain(QStringLiteral("cannot run \"%1\": %2").arg(sql, query.lastError().text()));
    return false;
}

// Fills the database open on ConnectionName; returns the number of rows, -1 on failure.
int fill(QSqlDatabase& db)
{
    QSqlQuery query(db);
    if (!run(query, QStringLiteral("CREATE TABLE Chords (Key TEXT NOT NULL, Name INTEGER NOT NULL, "
                                   "Fret INTEGER NOT NULL, Fingering TEXT NOT NULL)"))
        || !run(query, QStringLiteral("CREATE INDEX ChordsByKeyNameFret ON Chords (Key, Name, Fret)")))
        return -1;
    if (!db.transaction()) {
        complain(QStringLiteral("cannot start writing: %1").arg(db.lastError().text()));
        return -1;
    }
    if (!query.prepare(QStringLiteral("INSERT INTO Chords (Key, Name, Fret, Fingering) VALUES (?, ?, ?, ?)")))
        return -1;
    int rows = 0;
    for (int key = 0; key < KeyCount; ++key) {
        const QString keyText = QString::fromLatin1(Keys[key].noteRow.substr(0, 2));
        for (int type = 0; type < GeneratedTypeCount; ++type) {
            const std::vector<Position> positions = choosePositions(key, type);
            if (positions.size() < MinPositions) {
                complain(QStringLiteral("only %1 positions for %2 %3")
                             .arg(positions.size())
                             .arg(keyText.trimmed(), QString::fromLatin1(ChordTypes[type].listText)));
                db.rollback();
                return -1;
            }
            for (const Position& p : positions) {
                const Diagram d = encodeDiagram(p.voicing);
                query.addBindValue(keyText);
                query.addBindValue(type);
                query.addBindValue(d.baseFret);
                query.addBindValue(QString::fromStdString(d.cells));
                if (!query.exec()) {
                    complain(QStringLiteral("cannot write a row: %1").arg(query.lastError().text()));
                    db.rollback();
                    return -1;
                }
                ++rows;
            }
        }
    }
    if (!db.commit()) {
        complain(QStringLiteral("cannot finish writing: %1").arg(db.lastError().text()));
        return -1;
    }
    return rows;
}

int generate(const QString& outputPath)
{
    const QFileInfo target(outputPath);
    QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.") + target.fileName()
                        + QStringLiteral(".XXXXXX"));
    if (!temp.open()) {
        complain(QStringLiteral("cannot create a file in %1: %2")
                     .arg(QDir::toNativeSeparators(target.absolutePath()), temp.errorString()));
        return 1;
    }
    temp.close(); // SQLite opens it by name; the object still removes it on failure
    const QString tempPath = temp.fileName();

    int rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), ConnectionName);
        db.setDatabaseName(tempPath);
        if (!db.open())
            complain(QStringLiteral("cannot open %1: %2").arg(tempPath, db.lastError().text()));
        else
            rows = fill(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(ConnectionName);
    if (rows < 0)
        return 1;

    // The temporary file is private to its creator; the database is not.
    QFile::setPermissions(tempPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                              | QFileDevice::ReadOther);
    // rename() replaces an existing database in one step.
    std::error_code error;
    std::filesystem::rename(tempPath.toStdString(), target.absoluteFilePath().toStdString(), error);
    if (error) {
        complain(QStringLiteral("cannot move the database to %1: %2")
                     .arg(QDir::toNativeSeparators(target.absoluteFilePath()),
                          QString::fromStdString(error.message())));
        return 1;
    }
    temp.setAutoRemove(false);
    std::printf("chordgen: wrote %d positions to %s\n", rows, qPrintable(QDir::toNativeSeparators(target.absoluteFilePath())));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2 || args.at(1).isEmpty()) {
        complain(QStringLiteral("usage: chordgen <output path>"));
        return 2;
    }
    return generate(args.at(1));
}
