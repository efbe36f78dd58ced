#include "DataSource.h"

#include "errors/MessagePresenter.h"
#include "errors/RegularFile.h"
#include "errors/RuntimeError.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <atomic>

namespace lyrovan {

namespace {

const QString TableName = QStringLiteral("Chords");
const QString SqlDriver = QStringLiteral("QSQLITE");
// The Debian package that holds the driver's plug-in.
const char* const SqlDriverPackage = "libqt6sql6-sqlite";
const char* const RequiredFields[] = {"Key", "Name", "Fret", "Fingering"};

// SQLite's primary result codes that mean the file itself is the problem.
enum SqliteCode { Busy = 5, Locked = 6, IoError = 10, Corrupt = 11, CantOpen = 14, NotADatabase = 26 };

int PrimaryCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xFF) : -1;
}

QString NewConnectionName()
{
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("lyrovan.datChords.%1").arg(++counter);
}

// The side file another program left with changes not yet complete in the
// database, or an empty string: a rollback journal whose header is filled
// in (SQLite zeroes or deletes it once a transaction ends), or a write-ahead
// log holding frames beyond its 32-byte header. Anything under those names
// that is not a regular file (a FIFO would block the read) is no journal.
QString UnfinishedChangesBeside(const QString& database)
{
    const QString journal = database + QStringLiteral("-journal");
    const RegularFileBytes start = ReadStartOfRegularFile(journal, 1);
    if (start.problem == RegularFileBytes::Problem::None && !start.bytes.isEmpty() && start.bytes[0] != 0)
        return journal;
    const QFileInfo wal(database + QStringLiteral("-wal"));
    constexpr qint64 WalHeaderSize = 32;
    if (wal.isFile() && wal.size() > WalHeaderSize)
        return wal.filePath();
    return {};
}

// The name SQLite opens the file under: as immutable, so that it takes no
// locks and never creates a journal, a write-ahead log or its index beside
// the file, whatever the file's journal mode or its folder's permissions.
QString ImmutableUri(const QString& absolutePath)
{
    return QUrl::fromLocalFile(absolutePath).toString(QUrl::FullyEncoded) + QStringLiteral("?immutable=1");
}

[[noreturn]] void NoCurrentRecord()
{
    throw RuntimeError(RuntimeError::NoCurrentRecord, QStringLiteral("No current record."));
}

} // namespace

DataSource::DataSource(QObject* parent) : QObject(parent), m_connection(NewConnectionName())
{
    setObjectName(QStringLiteral("datChords"));
}

DataSource::~DataSource()
{
    Close();
}

void DataSource::setDatabaseName(const QString& path, const QStringList& alsoLookedIn)
{
    m_databaseName = path;
    m_alsoLookedIn = alsoLookedIn;
}

void DataSource::FailOpen(const QString& cause) const
{
    throw RuntimeError(RuntimeError::CannotOpenDatabase,
                       QStringLiteral("Cannot open the chord database \"%1\": %2").arg(m_databaseName, cause));
}

void DataSource::Close()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_openedFile.clear();
}

void DataSource::ClearResult()
{
    m_fields.clear();
    m_rows.clear();
    m_position = -1;
}

void DataSource::Open()
{
    Close();

    // SQLite would take a missing or empty file for a new, empty database:
    // look at the file first so that nothing is ever created.
    const QFileInfo file(m_databaseName);
    if (m_databaseName.isEmpty() || !file.exists())
        FailOpen(QStringLiteral("the file does not exist%1.").arg(AlsoLookedIn(m_alsoLookedIn)));
    if (file.isDir())
        FailOpen(QStringLiteral("it is a folder, not a file."));
    // A FIFO or a device would block or never end; neither can be a database.
    if (!file.isFile())
        FailOpen(QStringLiteral("it is not a regular file."));
    if (file.size() == 0)
        FailOpen(QStringLiteral("the file is empty."));
    if (!file.isReadable())
        FailOpen(QStringLiteral("the file cannot be read (permission denied)."));
    // Opened as immutable the file is read as it lies; changes another
    // program has not finished would be missed, so say so instead.
    if (const QString side = UnfinishedChangesBeside(file.absoluteFilePath()); !side.isEmpty())
        FailOpen(QStringLiteral("another program left an unfinished transaction in it (\"%1\" lies beside it).")
                     .arg(QFileInfo(side).fileName()));

    // Without Qt's SQLite plug-in every file would look unreadable: name the
    // package that is missing instead.
    if (!QSqlDatabase::isDriverAvailable(SqlDriver))
        FailOpen(QStringLiteral("Qt's SQLite driver (%1) is not installed; install the package %2.")
                     .arg(SqlDriver, QLatin1String(SqlDriverPackage)));

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(SqlDriver, m_connection);
        db.setDatabaseName(ImmutableUri(file.absoluteFilePath()));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=2000"));
        if (!db.open()) {
            const QString reason = db.lastError().driverText();
            db = QSqlDatabase();
            Close();
            FailOpen(QStringLiteral("the file cannot be opened (%1).").arg(reason));
        }

        // SQLite opens lazily; the first read shows whether this is a database.
        QString cause;
        {
            QSqlQuery probe(db);
            if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
                const int code = PrimaryCode(probe.lastError());
                cause = (code == Busy || code == Locked)
                            ? QStringLiteral("the file is locked by another program.")
                            : QStringLiteral("the file is not a database or it is damaged.");
            }
        }
        if (cause.isEmpty()) {
            const QSqlRecord columns = db.record(TableName);
            if (columns.isEmpty()) {
                cause = QStringLiteral("the file has no table \"%1\".").arg(TableName);
            } else {
                for (const char* field : RequiredFields) {
                    if (!columns.contains(QString::fromLatin1(field))) {
                        cause = QStringLiteral("the table \"%1\" has no field \"%2\".")
                                    .arg(TableName, QString::fromLatin1(field));
                        break;
                    }
                }
            }
        }
        if (!cause.isEmpty()) {
            db = QSqlDatabase();
            Close();
            FailOpen(cause);
        }
    }
    m_openedFile = m_databaseName;
}

void DataSource::Refresh()
{
    // A refresh that fails leaves the result empty: stepping afterwards must
    // not show the rows of an earlier query under a new chord.
    ClearResult();
    if (m_openedFile.isEmpty() || m_openedFile != m_databaseName)
        Open();

    QStringList fields;
    std::vector<std::vector<QVariant>> rows;
    QSqlError error;
    {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.setForwardOnly(true);
        if (query.exec(m_recordSource)) {
            const QSqlRecord record = query.record();
            for (int i = 0; i < record.count(); ++i)
                fields << record.fieldName(i);
            while (query.next()) {
                std::vector<QVariant> row;
                row.reserve(static_cast<std::size_t>(fields.size()));
                for (int i = 0; i < fields.size(); ++i) {
                    const QVariant value = query.value(i);
                    row.push_back(value.isNull() ? QVariant() : value);
                }
                rows.push_back(std::move(row));
            }
        }
        error = query.lastError();
    }
    if (error.isValid()) {
        switch (PrimaryCode(error)) {
        case Busy:
        case Locked:
            FailOpen(QStringLiteral("the file is locked by another program."));
        case IoError:
        case Corrupt:
        case CantOpen:
        case NotADatabase:
            Close();
            FailOpen(QStringLiteral("the file cannot be read (%1).").arg(error.databaseText()));
        default:
            throw RuntimeError(RuntimeError::DatabaseCommand, error.databaseText());
        }
    }
    m_fields = std::move(fields);
    m_rows = std::move(rows);
    m_position = m_rows.empty() ? -1 : 0;
}

void DataSource::MoveFirst()
{
    if (m_rows.empty())
        NoCurrentRecord();
    m_position = 0;
}

void DataSource::MoveLast()
{
    if (m_rows.empty())
        NoCurrentRecord();
    m_position = RecordCount() - 1;
}

void DataSource::MoveNext()
{
    if (Eof())
        NoCurrentRecord();
    ++m_position;
}

void DataSource::MovePrevious()
{
    if (Bof())
        NoCurrentRecord();
    --m_position;
}

QVariant DataSource::Field(const QString& name) const
{
    if (Bof() || Eof())
        NoCurrentRecord();
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return m_rows[static_cast<std::size_t>(m_position)][static_cast<std::size_t>(i)];
    }
    throw RuntimeError(FieldNotFound, QStringLiteral("The result has no field named \"%1\".").arg(name));
}

} // namespace lyrovan
