// The data source on its own: a record set's positions and moves, field
// reads, and the files it refuses, without ever changing or creating one.

#include "ChordDb.h"
#include "errors/RuntimeError.h"
#include "library/DataSource.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

// Runs body and gives the number of the RuntimeError it raised, 0 if none.
int ErrorOf(const std::function<void()>& body, QString* description = nullptr)
{
    try {
        body();
    } catch (const RuntimeError& e) {
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}

const QString AllRows = QStringLiteral("SELECT * FROM Chords WHERE [Key] = 'C ' AND [Name] = 0 ORDER BY [Fret];");

// Every entry of a folder with a hash of its bytes (special files by name).
QMap<QString, QByteArray> Snapshot(const QString& folder)
{
    QMap<QString, QByteArray> entries;
    const QFileInfoList all = QDir(folder).entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System);
    for (const QFileInfo& entry : all)
        entries.insert(entry.fileName(), entry.isFile() ? FileHash(entry.filePath()) : QByteArray("special"));
    return entries;
}

// Runs statements on file through a connection of its own; with keepOpen the
// connection stays open (and its transaction unfinished) while copyTo gets
// a copy of the file and its side files, as a crash at that moment would
// leave them. Returns an error text, empty on success.
QString RunOn(const QString& file, const QStringList& statements, const QString& copyTo = QString())
{
    const QString connection = QStringLiteral("test.runner");
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        if (!db.open())
            return db.lastError().text();
        QSqlQuery query(db);
        for (const QString& statement : statements) {
            if (!query.exec(statement) && error.isEmpty())
                error = statement + QStringLiteral(": ") + query.lastError().text();
            query.finish();
        }
        if (!copyTo.isEmpty()) {
            for (const QString& suffix : {QString(), QStringLiteral("-journal"), QStringLiteral("-wal")}) {
                if (QFile::exists(file + suffix))
                    QFile::copy(file + suffix, copyTo + QLatin1Char('/') + QFileInfo(file).fileName() + suffix);
            }
            query.exec(QStringLiteral("ROLLBACK"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return error;
}

} // namespace

class TestDataSource : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void movesThroughTheResult_data();
    void movesThroughTheResult();
    void nothingBeforeTheFirstRefresh();
    void fieldReads();
    void badFilesAreRefused_data();
    void badFilesAreRefused();
    void aFileThatAppearsLaterIsOpened();
    void changingTheFileReopens();
    void failedCommand();
    void neverWritesEvenWhenAsked();
    void opensWithoutTouchingAnything_data();
    void opensWithoutTouchingAnything();
    void holdsNoLockBetweenRefreshes();
    void twoSourcesAtOnce();
    void missingSqlDriverNamesThePackage();

private:
    QString path(const QString& name = QStringLiteral("Chords.mdb")) const { return m_dir->filePath(name); }
    void writeFrets(const QString& file, const QList<int>& frets);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDataSource::init()
{
    // A connection removed while still in use would leave the file open.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("still in use|duplicate connection")));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestDataSource::cleanup()
{
    m_dir.reset();
}

void TestDataSource::writeFrets(const QString& file, const QList<int>& frets)
{
    QVector<ChordRow> rows;
    for (int fret : frets)
        rows.append({QStringLiteral("C "), 0, fret, QStringLiteral("fret %1").arg(fret)});
    // Rows of other keys and types that the query must not return.
    rows.append({QStringLiteral("C#"), 0, 1, QStringLiteral("other key")});
    rows.append({QStringLiteral("C "), 1, 1, QStringLiteral("other type")});
    QCOMPARE(WriteChordDb(file, rows), QString());
}

void TestDataSource::movesThroughTheResult_data()
{
    QTest::addColumn<QList<int>>("frets");   // as stored, in any order
    QTest::addColumn<QString>("moves");      // F first, L last, N next, P previous
    QTest::addColumn<QStringList>("after");  // per move: the current fret, "BOF", "EOF" or "3021"

    QTest::newRow("empty: every move fails")
        << QList<int>{} << "FLNP" << QStringList{"3021", "3021", "3021", "3021"};
    QTest::newRow("one row: next runs onto EOF, then fails")
        << QList<int>{4} << "NNP" << QStringList{"EOF", "3021", "4"};
    QTest::newRow("one row: previous runs onto BOF, then fails")
        << QList<int>{4} << "PPN" << QStringList{"BOF", "3021", "4"};
    QTest::newRow("three rows in fret order")
        << QList<int>{5, 0, 3} << "NNNPPPP" << QStringList{"3", "5", "EOF", "5", "3", "0", "BOF"};
    QTest::newRow("first and last")
        << QList<int>{5, 0, 3} << "LFLP" << QStringList{"5", "0", "5", "3"};
    QTest::newRow("from EOF back and from BOF forward")
        << QList<int>{2, 9} << "NNPPPN" << QStringList{"9", "EOF", "9", "2", "BOF", "2"};
}

void TestDataSource::movesThroughTheResult()
{
    QFETCH(QList<int>, frets);
    QFETCH(QString, moves);
    QFETCH(QStringList, after);
    writeFrets(path(), frets);

    DataSource source;
    source.setDatabaseName(path());
    source.setRecordSource(AllRows);
    source.Refresh();
    QCOMPARE(source.RecordCount(), frets.size());
    // After a refresh the first row is current; an empty set is at BOF and EOF.
    QCOMPARE(source.Bof(), frets.isEmpty());
    QCOMPARE(source.Eof(), frets.isEmpty());

    for (qsizetype i = 0; i < moves.size(); ++i) {
        const QChar move = moves.at(i);
        const int error = ErrorOf([&] {
            if (move == QLatin1Char('F'))
                source.MoveFirst();
            else if (move == QLatin1Char('L'))
                source.MoveLast();
            else if (move == QLatin1Char('N'))
                source.MoveNext();
            else
                source.MovePrevious();
        });
        QString state;
        if (error != 0)
            state = QString::number(error);
        else if (source.Bof())
            state = QStringLiteral("BOF");
        else if (source.Eof())
            state = QStringLiteral("EOF");
        else
            state = source.Field(QStringLiteral("Fret")).toString();
        QVERIFY2(state == after.at(i), qPrintable(QStringLiteral("move %1 (%2): %3").arg(i).arg(move).arg(state)));
    }
}

void TestDataSource::nothingBeforeTheFirstRefresh()
{
    writeFrets(path(), {1, 2});
    const QByteArray before = FileHash(path());
    DataSource source;
    source.setDatabaseName(path());
    QCOMPARE(source.RecordCount(), 0);
    QVERIFY(source.Bof() && source.Eof());
    QCOMPARE(ErrorOf([&] { source.MoveFirst(); }), int(RuntimeError::NoCurrentRecord));
    QCOMPARE(ErrorOf([&] { source.Field(QStringLiteral("Fret")); }), int(RuntimeError::NoCurrentRecord));
    QCOMPARE(FileHash(path()), before);
}

void TestDataSource::fieldReads()
{
    QCOMPARE(WriteChordDb(path(), {{QStringLiteral("C "), 0, QVariant(), QVariant()},
                                   {QStringLiteral("C "), 0, 7, QStringLiteral("text")}}),
             QString());
    DataSource source;
    source.setDatabaseName(path());
    source.setRecordSource(AllRows);
    source.Refresh();
    QCOMPARE(source.RecordCount(), 2);

    // NULL sorts first and stays null.
    QVERIFY(source.Field(QStringLiteral("Fret")).isNull());
    QVERIFY(source.Field(QStringLiteral("Fingering")).isNull());
    source.MoveNext();
    QCOMPARE(source.Field(QStringLiteral("Fret")).toInt(), 7);
    QCOMPARE(source.Field(QStringLiteral("fingering")).toString(), QStringLiteral("text"));
    QCOMPARE(source.Field(QStringLiteral("KEY")).toString(), QStringLiteral("C "));

    QString description;
    const int unknown = ErrorOf([&] { source.Field(QStringLiteral("Capo")); }, &description);
    QVERIFY(unknown != 0 && unknown != RuntimeError::NoCurrentRecord);
    QVERIFY2(description.contains(QStringLiteral("Capo")), qPrintable(description));

    source.MoveNext(); // EOF: no current row
    QCOMPARE(ErrorOf([&] { source.Field(QStringLiteral("Fret")); }), int(RuntimeError::NoCurrentRecord));
}

void TestDataSource::badFilesAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("cause"); // part of the description
    QTest::newRow("missing") << "missing" << "does not exist";
    QTest::newRow("empty") << "empty" << "empty";
    QTest::newRow("garbage") << "garbage" << "not a database";
    QTest::newRow("folder") << "folder" << "folder";
    QTest::newRow("FIFO") << "fifo" << "not a regular file";
    QTest::newRow("device") << "device" << "not a regular file";
    QTest::newRow("hot journal beside") << "hotjournal" << "unfinished transaction in it (\"Chords.mdb-journal\"";
    QTest::newRow("log with frames beside") << "walframes" << "unfinished transaction in it (\"Chords.mdb-wal\"";
    QTest::newRow("no Chords table") << "notable" << "no table \"Chords\"";
    QTest::newRow("no Fingering field") << "nofingering" << "no field \"Fingering\"";
    QTest::newRow("no Key field") << "nokey" << "no field \"Key\"";
}

void TestDataSource::badFilesAreRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, cause);
    const QString file = path();
    if (kind == QLatin1String("empty")) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("garbage")) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray bytes;
        for (int i = 0; i < 4096; ++i)
            bytes.append(char((i * 37 + 11) % 251));
        f.write(bytes);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Chords.mdb")));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(mkfifo(QFile::encodeName(file).constData(), 0644), 0);
    } else if (kind == QLatin1String("device")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), file));
    } else if (kind == QLatin1String("hotjournal") || kind == QLatin1String("walframes")) {
        // Another program stopped in the middle of a change.
        const QString scratch = path(QStringLiteral("scratch"));
        QVERIFY(QDir().mkdir(scratch));
        writeFrets(scratch + QStringLiteral("/Chords.mdb"), {1, 2});
        const QStringList change =
            kind == QLatin1String("hotjournal")
                ? QStringList{QStringLiteral("PRAGMA synchronous=OFF"), QStringLiteral("BEGIN"),
                              QStringLiteral("UPDATE Chords SET [Fret] = [Fret] + 1")}
                : QStringList{QStringLiteral("PRAGMA journal_mode=WAL"), QStringLiteral("UPDATE Chords SET [Fret] = 9")};
        QCOMPARE(RunOn(scratch + QStringLiteral("/Chords.mdb"), change, m_dir->path()), QString());
        QVERIFY(QDir(scratch).removeRecursively());
    } else if (kind == QLatin1String("notable")) {
        QCOMPARE(WriteChordDb(file, {}, QStringLiteral("CREATE TABLE Voicings ([Key] TEXT, [Name] INTEGER, "
                                                       "[Fret] INTEGER, [Fingering] TEXT)")),
                 QString());
    } else if (kind == QLatin1String("nofingering")) {
        QCOMPARE(WriteChordDb(file, {}, QStringLiteral("CREATE TABLE Chords ([Key] TEXT, [Name] INTEGER, "
                                                       "[Fret] INTEGER)")),
                 QString());
    } else if (kind == QLatin1String("nokey")) {
        QCOMPARE(WriteChordDb(file, {}, QStringLiteral("CREATE TABLE Chords ([Name] INTEGER, [Fret] INTEGER, "
                                                       "[Fingering] TEXT)")),
                 QString());
    }
    const QMap<QString, QByteArray> before = Snapshot(m_dir->path());

    DataSource source;
    source.setDatabaseName(file);
    source.setRecordSource(QStringLiteral("SELECT * FROM Chords;"));
    for (int attempt = 0; attempt < 2; ++attempt) { // a second refresh fails the same way
        QString description;
        QCOMPARE(ErrorOf([&] { source.Refresh(); }, &description), int(RuntimeError::CannotOpenDatabase));
        QVERIFY2(description.contains(QLatin1Char('"') + file + QLatin1Char('"')), qPrintable(description));
        QVERIFY2(description.contains(cause), qPrintable(description));
        QCOMPARE(source.RecordCount(), 0);
        QVERIFY(source.Bof() && source.Eof());
    }
    // Nothing was changed, and no journal or other side file made.
    QCOMPARE(Snapshot(m_dir->path()), before);
}

void TestDataSource::aFileThatAppearsLaterIsOpened()
{
    DataSource source;
    source.setDatabaseName(path());
    source.setRecordSource(AllRows);
    QCOMPARE(ErrorOf([&] { source.Refresh(); }), int(RuntimeError::CannotOpenDatabase));
    writeFrets(path(), {2, 4});
    source.Refresh();
    QCOMPARE(source.RecordCount(), 2);
}

void TestDataSource::changingTheFileReopens()
{
    writeFrets(path(QStringLiteral("a.mdb")), {1});
    writeFrets(path(QStringLiteral("b.mdb")), {6, 8, 10});
    DataSource source;
    source.setRecordSource(AllRows);
    source.setDatabaseName(path(QStringLiteral("a.mdb")));
    source.Refresh();
    QCOMPARE(source.RecordCount(), 1);
    source.setDatabaseName(path(QStringLiteral("b.mdb")));
    QCOMPARE(source.RecordCount(), 1); // naming a file opens nothing
    source.Refresh();
    QCOMPARE(source.RecordCount(), 3);
    QCOMPARE(source.Field(QStringLiteral("Fret")).toInt(), 6);
    source.setDatabaseName(path(QStringLiteral("missing.mdb")));
    QCOMPARE(ErrorOf([&] { source.Refresh(); }), int(RuntimeError::CannotOpenDatabase));
}

void TestDataSource::failedCommand()
{
    writeFrets(path(), {1, 2});
    DataSource source;
    source.setDatabaseName(path());
    source.setRecordSource(AllRows);
    source.Refresh();
    QCOMPARE(source.RecordCount(), 2);
    source.setRecordSource(QStringLiteral("SELECT * FROM Chords WHERE [Capo] = 1;"));
    QCOMPARE(ErrorOf([&] { source.Refresh(); }), int(RuntimeError::DatabaseCommand));
    // The failed refresh drops the rows of the query before: nothing of an
    // earlier query can be shown as if it were this one's.
    QCOMPARE(source.RecordCount(), 0);
    QVERIFY(source.Bof() && source.Eof());
    QCOMPARE(ErrorOf([&] { source.MoveFirst(); }), int(RuntimeError::NoCurrentRecord));
    // The connection is still good for the next query.
    source.setRecordSource(AllRows);
    source.Refresh();
    QCOMPARE(source.RecordCount(), 2);
}

void TestDataSource::neverWritesEvenWhenAsked()
{
    writeFrets(path(), {1, 2, 3});
    const QByteArray before = FileHash(path());
    DataSource source;
    source.setDatabaseName(path());
    for (const char* sql : {"DELETE FROM Chords;", "INSERT INTO Chords ([Key]) VALUES ('D ');",
                            "CREATE TABLE Extra (x INTEGER);"}) {
        source.setRecordSource(QString::fromLatin1(sql));
        QVERIFY2(ErrorOf([&] { source.Refresh(); }) != 0, sql);
    }
    source.setRecordSource(AllRows);
    source.Refresh();
    QCOMPARE(source.RecordCount(), 3);
    QCOMPARE(FileHash(path()), before);
}

void TestDataSource::opensWithoutTouchingAnything_data()
{
    QTest::addColumn<QString>("journalMode");
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::addColumn<QStringList>("besides"); // side files lying beside it: empty, or "fifo:" a FIFO
    QTest::newRow("rollback journal") << "DELETE" << false << QStringList();
    QTest::newRow("write-ahead log") << "WAL" << false << QStringList();
    QTest::newRow("write-ahead log, read-only folder") << "WAL" << true << QStringList();
    QTest::newRow("rollback journal, read-only folder") << "DELETE" << true << QStringList();
    QTest::newRow("persisted journal, empty log and index")
        << "PERSIST" << false << QStringList{QStringLiteral("-wal"), QStringLiteral("-shm")};
    // Reading it as a journal would block for good.
    QTest::newRow("FIFO named as its journal") << "DELETE" << false << QStringList{QStringLiteral("fifo:-journal")};
}

void TestDataSource::opensWithoutTouchingAnything()
{
    QFETCH(QString, journalMode);
    QFETCH(bool, readOnlyFolder);
    QFETCH(QStringList, besides);
    writeFrets(path(), {3, 5});
    QCOMPARE(RunOn(path(), {QStringLiteral("PRAGMA journal_mode=") + journalMode,
                            QStringLiteral("UPDATE Chords SET [Fret] = [Fret] + 1 WHERE [Fret] = 5")}),
             QString());
    for (const QString& side : besides) {
        if (side.startsWith(QLatin1String("fifo:"))) {
            QCOMPARE(mkfifo(QFile::encodeName(path() + side.mid(5)).constData(), 0644), 0);
            continue;
        }
        QFile file(path() + side);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QMap<QString, QByteArray> before = Snapshot(m_dir->path());

    QFile::Permissions folderPermissions = QFile::permissions(m_dir->path());
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(m_dir->path(), folderPermissions);
        if (geteuid() != getuid())
            QVERIFY(seteuid(getuid()) == 0);
    });
    if (readOnlyFolder) {
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                         | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        // Permissions do not hold for root: read as an ordinary user then.
        if (geteuid() == 0)
            QVERIFY(seteuid(65534) == 0);
    }
    {
        DataSource source;
        source.setDatabaseName(path());
        source.setRecordSource(AllRows);
        source.Refresh();
        QCOMPARE(source.RecordCount(), 2);
        source.MoveLast();
        QCOMPARE(source.Field(QStringLiteral("Fret")).toInt(), 6);
        source.Refresh();
        QCOMPARE(source.RecordCount(), 2);
    }
    QCOMPARE(Snapshot(m_dir->path()), before);
}

void TestDataSource::holdsNoLockBetweenRefreshes()
{
    writeFrets(path(), {1, 2, 3});
    const QByteArray before = FileHash(path());
    DataSource source;
    source.setDatabaseName(path());
    source.setRecordSource(AllRows);
    source.Refresh();
    source.MoveNext();

    // Another program can take the file's exclusive lock while the rows are held.
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(path());
        other.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        QVERIFY(other.open());
        QSqlQuery query(other);
        QVERIFY2(query.exec(QStringLiteral("BEGIN EXCLUSIVE")), qPrintable(query.lastError().text()));
        QVERIFY(query.exec(QStringLiteral("ROLLBACK")));
        query.finish();
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    QCOMPARE(source.Field(QStringLiteral("Fret")).toInt(), 2);
    QCOMPARE(FileHash(path()), before);
}

void TestDataSource::twoSourcesAtOnce()
{
    writeFrets(path(QStringLiteral("a.mdb")), {1});
    writeFrets(path(QStringLiteral("b.mdb")), {6, 8});
    auto first = std::make_unique<DataSource>();
    DataSource second;
    first->setDatabaseName(path(QStringLiteral("a.mdb")));
    second.setDatabaseName(path(QStringLiteral("b.mdb")));
    first->setRecordSource(AllRows);
    second.setRecordSource(AllRows);
    first->Refresh();
    second.Refresh();
    QCOMPARE(first->RecordCount(), 1);
    QCOMPARE(second.RecordCount(), 2);
    first.reset(); // removing one connection leaves the other working
    second.Refresh();
    QCOMPARE(second.RecordCount(), 2);
}

// Without the plug-in the message names the package to install, not the file.
// Needs a process that never loaded the plug-in: ctest runs this test alone.
void TestDataSource::missingSqlDriverNamesThePackage()
{
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({m_dir->filePath(QStringLiteral("no-plugins"))});
    const auto restore = qScopeGuard([&] { QCoreApplication::setLibraryPaths(libraryPaths); });
    if (QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        QSKIP("the SQLite plug-in is already loaded; run this test on its own");

    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("SQLite format 3");
    file.close();
    DataSource source;
    source.setDatabaseName(path());
    source.setRecordSource(AllRows);
    QString description;
    QCOMPARE(ErrorOf([&] { source.Refresh(); }, &description), int(RuntimeError::CannotOpenDatabase));
    QVERIFY2(description.contains(QStringLiteral("libqt6sql6-sqlite")), qPrintable(description));
    QVERIFY2(!description.contains(QStringLiteral("damaged")), qPrintable(description));
}

QTEST_GUILESS_MAIN(TestDataSource)
#include "tst_datasource.moc"
