// chordgen: writes the chord database the program shows fingerings from, or
// lists the positions of one chord as tab for a guitarist to review.
// Usage: chordgen <output path> | chordgen --list KEY TYPE | chordgen --help
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
#include <optional>
#include <system_error>

namespace {

using namespace lyrovan;
using namespace lyrovan::chordgen;

const QString ConnectionName = QStringLiteral("chordgen");

const char* const HelpText =
    "Usage: chordgen OUTPUT\n"
    "       chordgen --list KEY TYPE\n"
    "       chordgen --help\n"
    "\n"
    "Writes the chord database, the positions of every key and chord type, to the\n"
    "file OUTPUT.\n"
    "\n"
    "  --list KEY TYPE  Print the positions of one chord instead, in the order the\n"
    "                   program shows them: the base fret of the diagram, the tab\n"
    "                   from string 6 (low E) to string 1 (x = muted, 0 = open),\n"
    "                   the fingers and the form it is.\n"
    "        KEY        a key name: C, C#, Db, F#, Gb, A#/Bb (b for flat; any case)\n"
    "        TYPE       the chord type's name as listed (major, minor, seventh,\n"
    "                   \"minor seventh\" in quotes), its symbol (m, m7, maj7, sus4,\n"
    "                   7sus4, dim, ...) or its number in the chord list, 0..31\n"
    "                   (0 major, 2 seventh, 8 major seventh, 22 minor, 24 minor\n"
    "                   seventh). A number is always the list number: 7 is the\n"
    "                   major sixth, the seventh is 2 or \"seventh\".\n"
    "  --help           Print this text.\n"
    "\n"
    "Examples: chordgen --list C major    chordgen --list F# m7    chordgen --list Bb 8\n";

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

// Index of a key written as C, c#, Db or A#/Bb; nothing if it is no key.
std::optional<int> parseKey(QString text)
{
    text = text.section(QLatin1Char('/'), 0, 0).trimmed();
    if (text.isEmpty() || text.size() > 2)
        return std::nullopt;
    const char letter = text.at(0).toUpper().toLatin1();
    int pc = PitchClassOf(std::string{letter, ' '});
    if (pc < 0)
        return std::nullopt;
    if (text.size() == 2) {
        const QChar accidental = text.at(1);
        if (accidental == QLatin1Char('#'))
            pc += 1;
        else if (accidental == QLatin1Char('b') || accidental == QLatin1Char('B'))
            pc += 11;
        else
            return std::nullopt;
    }
    const int key = keyIndexOf(NoteNames[pc % 12]);
    return key >= 0 ? std::optional<int>(key) : std::nullopt;
}

// Index of a chord type written as its list number, its list text or its
// symbol ("major" for the plain major chord).
std::optional<int> parseType(const QString& text)
{
    bool number = false;
    const int index = text.toInt(&number);
    if (number)
        return index >= 0 && index < ChordTypeCount ? std::optional<int>(index) : std::nullopt;
    const QString wanted = text.trimmed();
    if (wanted.compare(QLatin1String("major"), Qt::CaseInsensitive) == 0)
        return 0;
    for (int t = 0; t < ChordTypeCount; ++t)
        if (QLatin1String(ChordTypes[t].listText).compare(wanted, Qt::CaseInsensitive) == 0)
            return t;
    for (int t = 0; t < ChordTypeCount; ++t)
        if (QLatin1String(ChordTypes[t].suffix) == wanted)
            return t;
    return std::nullopt;
}

// "x-3-2-0-1-0", string 6 first, from frets or from the marks of fingers.
std::string tab(const Frets& frets, const Fingers* fingers)
{
    std::string text;
    for (int s = 0; s < StringCount; ++s) {
        if (s > 0)
            text += '-';
        if (frets[s] == Muted)
            text += 'x';
        else if (frets[s] == 0)
            text += '0';
        else if (fingers)
            text += (*fingers)[s];
        else
            text += std::to_string(frets[s]);
    }
    return text;
}

int list(const QString& keyText, const QString& typeText)
{
    const std::optional<int> key = parseKey(keyText);
    const std::optional<int> type = parseType(typeText);
    if (!key) {
        complain(QStringLiteral("\"%1\" is not a key; write it as C, C#, Db or A#/Bb").arg(keyText));
        return 2;
    }
    if (!type) {
        complain(QStringLiteral("\"%1\" is not a chord type; give its number 0..%2, its name or its symbol "
                                "(see chordgen --help)")
                     .arg(typeText)
                     .arg(GeneratedTypeCount - 1));
        return 2;
    }
    const std::string keyName(Keys[*key].noteRow.substr(0, 2));
    const std::string typeName(ChordTypes[*type].listText);
    if (*type >= GeneratedTypeCount) {
        complain(QStringLiteral("%1 is a scale: the database holds no positions for it").arg(QString::fromStdString(typeName)));
        return 2;
    }
    const std::vector<Position> positions = choosePositions(*key, *type);
    std::printf("%s %s (key \"%s\", chord type %d): %zu positions\n", Keys[*key].listText.data(), typeName.c_str(),
                keyName.c_str(), *type, positions.size());
    std::printf("Fret  Tab, string 6 to 1    Fingers        Form\n");
    for (const Position& p : positions)
        std::printf("%4d  %-20s  %-13s  %.*s\n", encodeDiagram(p.voicing).baseFret, tab(p.voicing.frets, nullptr).c_str(),
                    tab(p.voicing.frets, &p.voicing.fingers).c_str(), static_cast<int>(p.form.size()), p.form.data());
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 2 && (args.at(1) == QLatin1String("--help") || args.at(1) == QLatin1String("-h"))) {
        std::fputs(HelpText, stdout);
        return 0;
    }
    if (args.size() == 4 && args.at(1) == QLatin1String("--list"))
        return list(args.at(2), args.at(3));
    if (args.size() != 2 || args.at(1).isEmpty() || args.at(1).startsWith(QLatin1Char('-'))) {
        complain(QStringLiteral("usage: chordgen OUTPUT | chordgen --list KEY TYPE | chordgen --help"));
        return 2;
    }
    return generate(args.at(1));
}
