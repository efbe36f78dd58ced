// Checks the generated chord database as the program reads it: every row is
// decoded from its diagram alone and held to the rules a guitarist would.

#include "theory/ChordTables.h"

#include <QMap>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <set>

using namespace lyrovan;

namespace {

const QString Connection = QStringLiteral("tst_chorddb");
constexpr int Strings = 6;
// Open strings as MIDI notes, index 0 = string 1 (high e) .. 5 = string 6.
constexpr std::array<int, Strings> OpenMidi{64, 59, 55, 50, 45, 40};

struct Row {
    QString key;
    int name = 0;
    int base = 0;
    QString cells;
};

// One row as the program plays it; index s-1 is string s (1 = high e).
struct Decoded {
    std::array<int, Strings> fret{}; // -1 muted
    std::array<QChar, Strings> finger{};
};

Decoded decode(const Row& row)
{
    Decoded d;
    for (int s = 0; s < Strings; ++s) {
        d.fret[s] = 0; // no mark: the open string sounds
        bool muted = false;
        for (int r = 0; r < 6; ++r) {
            const QChar c = row.cells.at(r * Strings + s);
            if (c == QLatin1Char('X'))
                muted = true;
            else if (c != QLatin1Char(' ')) {
                d.fret[s] = row.base + r;
                d.finger[s] = c == QLatin1Char('O') ? QChar() : c;
            }
        }
        if (muted) {
            d.fret[s] = -1;
            d.finger[s] = QChar();
        }
    }
    return d;
}

// "x-3-2-0-1-0", string 6 first, as chordgen --list writes it.
QString tabOf(const Decoded& d)
{
    QStringList parts;
    for (int s = Strings - 1; s >= 0; --s)
        parts << (d.fret[s] < 0 ? QStringLiteral("x") : QString::number(d.fret[s]));
    return parts.join(QLatin1Char('-'));
}

int lowestPressed(const Decoded& d)
{
    int low = 0;
    for (int f : d.fret)
        if (f > 0 && (low == 0 || f < low))
            low = f;
    return low;
}

// True if every sounding string of a sounds the same fret in b.
bool within(const std::array<int, Strings>& a, const std::array<int, Strings>& b)
{
    for (int s = 0; s < Strings; ++s)
        if (a[s] >= 0 && a[s] != b[s])
            return false;
    return true;
}

QString describe(const Row& row)
{
    return QStringLiteral("%1/%2 fret %3 [%4]").arg(row.key).arg(row.name).arg(row.base).arg(row.cells);
}

// Formula digits a chord may leave out: the fifth of the sixth, seventh and
// ninth chords (never of triads or altered fifths), and the extensions named
// for the eleventh and thirteenth chords.
QString optionalDigits(const ChordEntry& chord)
{
    const QString formula = QString::fromLatin1(chord.formula);
    QString optional;
    const bool extended = formula.contains(QRegularExpression(QStringLiteral("[3ABC]")));
    if (formula.contains(QLatin1Char('8')) && formula.size() >= 4 && extended)
        optional += QLatin1Char('8');
    static const QMap<QString, QString> extra{{QStringLiteral("eleventh"), QStringLiteral("35")},
        {QStringLiteral("eleventh sharp"), QStringLiteral("3")},
        {QStringLiteral("thirteenth"), QStringLiteral("37")},
        {QStringLiteral("major eleventh"), QStringLiteral("3")}};
    return optional + extra.value(QString::fromLatin1(chord.listText));
}

int pitchClassOf(const QString& key)
{
    return PitchClassOf(key.toStdString());
}

// "x32010" (one character a string) or "8 10 10 9 8 8", low E first; result
// indexed from string 1 (high e).
std::array<int, Strings> parseLowToHigh(const QString& text)
{
    QStringList parts = text.contains(QLatin1Char(' ')) ? text.split(QLatin1Char(' ')) : text.split(QString(), Qt::SkipEmptyParts);
    std::array<int, Strings> frets{};
    for (int i = 0; i < Strings; ++i)
        frets[Strings - 1 - i] = parts.value(i) == QLatin1String("x") ? -1 : parts.value(i).toInt();
    return frets;
}

} // namespace

class TestChordDb : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void layout();
    void countsPerChord();
    void encoding();
    void notes_data();
    void notes();
    void teacherRules_data();
    void teacherRules();
    void fingering();
    void handComfort();
    void repeats();
    void knownShapes_data();
    void knownShapes();
    void listing_data();
    void listing();
    void generatorRepeats();
    void generatorRefusesBadPath();

private:
    QList<Row> rows;
    QList<Row> rowsOf(const QString& key, int name) const;
};

void TestChordDb::initTestCase()
{
    QVERIFY2(QFile::exists(QStringLiteral(LYROVAN_CHORDS_DB)), LYROVAN_CHORDS_DB);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Connection);
    db.setDatabaseName(QStringLiteral(LYROVAN_CHORDS_DB));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    QVERIFY2(db.open(), qPrintable(db.lastError().text()));
    QSqlQuery q(QStringLiteral("SELECT Key, Name, Fret, Fingering FROM Chords ORDER BY rowid"), db);
    while (q.next())
        rows.append({q.value(0).toString(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toString()});
    QVERIFY(!rows.isEmpty());
}

void TestChordDb::cleanupTestCase()
{
    QSqlDatabase::database(Connection, false).close();
    QSqlDatabase::removeDatabase(Connection);
}

QList<Row> TestChordDb::rowsOf(const QString& key, int name) const
{
    QList<Row> found;
    for (const Row& r : rows)
        if (r.key == key && r.name == name)
            found.append(r);
    return found;
}

void TestChordDb::layout()
{
    QSqlDatabase db = QSqlDatabase::database(Connection);
    const QSqlRecord columns = db.record(QStringLiteral("Chords"));
    for (const char* name : {"Key", "Name", "Fret", "Fingering"})
        QVERIFY2(columns.indexOf(QLatin1String(name)) >= 0, name);
    // The program's own query, with its bracketed names.
    QSqlQuery q(db);
    QVERIFY(q.exec(QStringLiteral("SELECT * FROM Chords WHERE [Key] = 'C ' AND [Name] = 22 ORDER BY [Fret];")));
    int count = 0, lastFret = -1;
    while (q.next()) {
        const int fret = q.record().value(QStringLiteral("Fret")).toInt();
        QVERIFY(fret >= lastFret);
        lastFret = fret;
        ++count;
    }
    QCOMPARE(count, rowsOf(QStringLiteral("C "), 22).size());
    QVERIFY(count > 0);
}

void TestChordDb::countsPerChord()
{
    std::set<QString> keys;
    for (const KeyEntry& k : Keys)
        keys.insert(QString::fromLatin1(k.noteRow.substr(0, 2)));
    for (const Row& r : rows) {
        QVERIFY2(keys.count(r.key) == 1, qPrintable(describe(r)));
        QVERIFY2(r.name >= 0 && r.name < FirstScaleIndex, qPrintable(describe(r)));
    }
    for (const QString& key : keys)
        for (int name = 0; name < FirstScaleIndex; ++name) {
            const QList<Row> list = rowsOf(key, name);
            const qsizetype n = list.size();
            QVERIFY2(n >= 4 && n <= 12, qPrintable(QStringLiteral("%1/%2: %3 positions").arg(key).arg(name).arg(n)));
            // The positions lie in frets 0..12; at most one starts above.
            const auto high = std::count_if(list.begin(), list.end(), [](const Row& r) { return lowestPressed(decode(r)) > 12; });
            QVERIFY2(high <= 1, qPrintable(QStringLiteral("%1/%2: %3 above fret 12").arg(key).arg(name).arg(high)));
        }
}

void TestChordDb::encoding()
{
    for (const Row& r : rows) {
        const QString what = describe(r);
        QCOMPARE(r.cells.size(), 36);
        const Decoded d = decode(r);
        bool open = false;
        int low = 99, high = 0;
        for (int s = 0; s < Strings; ++s) {
            QString column;
            for (int row = 0; row < 6; ++row)
                column += r.cells.at(row * Strings + s);
            const QString marks = QString(column).remove(QLatin1Char(' '));
            // Every string carries exactly one mark: X, O or its finger.
            QVERIFY2(marks.size() == 1, qPrintable(what));
            const QChar head = column.at(0);
            if (d.fret[s] == -1 || d.fret[s] == 0) {
                QVERIFY2(head == (d.fret[s] == -1 ? QLatin1Char('X') : QLatin1Char('O')), qPrintable(what));
                open = open || d.fret[s] == 0;
            } else {
                QVERIFY2(QStringLiteral("1234T").contains(marks.at(0)), qPrintable(what));
                QVERIFY2(d.fret[s] >= 1 && d.fret[s] <= 21, qPrintable(what));
                low = std::min(low, d.fret[s]);
                high = std::max(high, d.fret[s]);
            }
        }
        if (open || high <= 5)
            QVERIFY2(r.base == 0, qPrintable(what));
        else
            QVERIFY2(r.base == low - 1, qPrintable(what));
    }
}

void TestChordDb::notes_data()
{
    QTest::addColumn<int>("name");
    for (int t = 0; t < FirstScaleIndex; ++t)
        QTest::newRow(ChordTypes[t].listText.data()) << t;
}

void TestChordDb::notes()
{
    QFETCH(int, name);
    const ChordEntry& chord = ChordTypes[name];
    const QString optional = optionalDigits(chord);
    for (const KeyEntry& k : Keys) {
        const QString key = QString::fromLatin1(k.noteRow.substr(0, 2));
        const int root = pitchClassOf(key);
        for (const Row& r : rowsOf(key, name)) {
            const QString what = describe(r);
            const Decoded d = decode(r);
            std::set<int> sounding;
            int bass = 1000, first = -1, last = -1;
            for (int s = 0; s < Strings; ++s) {
                if (d.fret[s] < 0)
                    continue;
                const int midi = OpenMidi[s] + d.fret[s];
                sounding.insert(midi % 12);
                bass = std::min(bass, midi);
                first = first < 0 ? s : first;
                last = s;
            }
            int sounds = 0, innerMuted = 0;
            for (int s = first; s <= last; ++s)
                (d.fret[s] < 0 ? innerMuted : sounds) += 1;
            QVERIFY2(innerMuted <= 1, qPrintable(what));
            // A muted string between sounding ones only in the jazz forms of
            // sixth, seventh and extended chords, on the root on string 6 or 5.
            const bool rootOnLowString = last >= 4 && (OpenMidi[last] + d.fret[last]) == bass && bass % 12 == root;
            QVERIFY2(innerMuted == 0 || (chord.formula.size() >= 4 && rootOnLowString),
                     qPrintable(what + QStringLiteral(" muted inner string")));
            // Three strings only for a triad on strings 3-2-1 or a shell on the root.
            const bool topTriad = first == 0 && last == 2 && chord.formula.size() == 3;
            const bool shell = chord.formula.size() >= 4 && rootOnLowString;
            QVERIFY2(sounds >= 4 || (sounds == 3 && (topTriad || shell)), qPrintable(what));

            std::set<int> allowed;
            for (char digit : chord.formula) {
                const int pc = (root + FormulaDigitValue(digit) - 1) % 12;
                allowed.insert(pc);
                if (!optional.contains(QLatin1Char(digit)))
                    QVERIFY2(sounding.count(pc) == 1, qPrintable(what + QStringLiteral(" lacks ") + QLatin1Char(digit)));
            }
            for (int pc : sounding)
                QVERIFY2(allowed.count(pc) == 1, qPrintable(what + QStringLiteral(" has a foreign note")));
        }
    }
}

namespace {

enum Rule { NoSameSound, RootInBass, NoLowCluster };

QList<int> midiNotes(const Decoded& d)
{
    QList<int> notes;
    for (int s = 0; s < Strings; ++s)
        if (d.fret[s] >= 0)
            notes << OpenMidi[s] + d.fret[s];
    return notes;
}

// Whether row breaks rule, given the other rows of its chord.
bool breaks(Rule rule, const Row& row, const QList<Row>& chord)
{
    const Decoded d = decode(row);
    const QList<int> notes = midiNotes(d);
    switch (rule) {
    case NoSameSound: {
        const auto pitches = [](const QList<int>& n) { return std::set<int>(n.begin(), n.end()); };
        for (const Row& other : chord)
            if (&other != &row && pitches(midiNotes(decode(other))) == pitches(notes))
                return true;
        return false;
    }
    case RootInBass: {
        // Triads on strings 3-2-1 stand on any of their notes (inversions).
        const bool topTriad = notes.size() == 3 && d.fret[0] >= 0 && d.fret[1] >= 0 && d.fret[2] >= 0;
        return !topTriad && *std::min_element(notes.begin(), notes.end()) % 12 != pitchClassOf(row.key);
    }
    case NoLowCluster: {
        // Three notes within a fifth on strings 6-3, string 6 among them;
        // open forms (open G) are taught as they are.
        if (d.fret[5] < 0 || std::find(d.fret.begin(), d.fret.end(), 0) != d.fret.end())
            return false;
        const int low = OpenMidi[5] + d.fret[5];
        for (int a = 2; a < 5; ++a)
            for (int b = a + 1; b < 5; ++b) {
                if (d.fret[a] < 0 || d.fret[b] < 0)
                    continue;
                const std::array<int, 3> three{low, OpenMidi[a] + d.fret[a], OpenMidi[b] + d.fret[b]};
                if (*std::max_element(three.begin(), three.end()) - *std::min_element(three.begin(), three.end()) <= 7)
                    return true;
            }
        return false;
    }
    }
    return true;
}

} // namespace

void TestChordDb::teacherRules_data()
{
    QTest::addColumn<int>("rule");
    QTest::newRow("no two positions of a chord sound the same pitches") << int(NoSameSound);
    QTest::newRow("the bass is the root, but in triads on strings 3-2-1") << int(RootInBass);
    QTest::newRow("no three notes within a fifth down to string 6") << int(NoLowCluster);
}

void TestChordDb::teacherRules()
{
    QFETCH(int, rule);
    for (const KeyEntry& k : Keys)
        for (int name = 0; name < FirstScaleIndex; ++name) {
            const QList<Row> chord = rowsOf(QString::fromLatin1(k.noteRow.substr(0, 2)), name);
            for (const Row& r : chord)
                QVERIFY2(!breaks(Rule(rule), r, chord), qPrintable(QStringLiteral("%1 %2").arg(describe(r), tabOf(decode(r)))));
        }
}

void TestChordDb::fingering()
{
    for (const Row& r : rows) {
        const QString what = describe(r);
        const Decoded d = decode(r);
        QMap<QChar, QList<int>> stringsOf; // finger -> strings it presses
        int low = 99, high = 0;
        for (int s = 0; s < Strings; ++s)
            if (d.fret[s] > 0) {
                low = std::min(low, d.fret[s]);
                high = std::max(high, d.fret[s]);
                if (d.finger[s] != QLatin1Char('T'))
                    stringsOf[d.finger[s]].append(s);
            }
        if (high == 0)
            continue;
        QVERIFY2(high - low <= 3, qPrintable(what + QStringLiteral(" span")));

        int fingeredLow = 99;
        for (const QList<int>& strings : stringsOf)
            fingeredLow = std::min(fingeredLow, d.fret[strings.first()]);
        for (int s = 0; s < Strings; ++s)
            if (d.finger[s] == QLatin1Char('T')) {
                // The thumb only wraps over to the low E, next to the index.
                QCOMPARE(s, 5);
                QVERIFY2(std::abs(d.fret[s] - fingeredLow) <= 1, qPrintable(what + QStringLiteral(" thumb")));
            }

        int barres = 0;
        for (auto it = stringsOf.cbegin(); it != stringsOf.cend(); ++it) {
            const QList<int>& strings = it.value();
            const int fret = d.fret[strings.first()];
            for (int s : strings)
                QVERIFY2(d.fret[s] == fret, qPrintable(what + QStringLiteral(" one finger, two frets")));
            if (strings.size() > 1) {
                ++barres;
                // The index lies across the lowest fret, or the ring or
                // little finger across neighbouring strings on the highest.
                if (it.key() == QLatin1Char('1')) {
                    QVERIFY2(fret == fingeredLow, qPrintable(what + QStringLiteral(" barre above the lowest fret")));
                    for (int s = strings.first(); s <= strings.last(); ++s)
                        QVERIFY2(d.fret[s] >= fret, qPrintable(what + QStringLiteral(" open or muted under the barre")));
                } else {
                    QVERIFY2(it.key() >= QLatin1Char('3') && fret == high,
                             qPrintable(what + QStringLiteral(" flat finger below the highest fret")));
                    for (int s = strings.first(); s <= strings.last(); ++s)
                        QVERIFY2(d.fret[s] == fret, qPrintable(what + QStringLiteral(" gap under the flat finger")));
                }
            }
            // Fingers are ordered by fret; on one fret the higher finger
            // lies on a higher string, and no finger reaches past the next.
            for (auto other = std::next(it); other != stringsOf.cend(); ++other) {
                const int otherFret = d.fret[other.value().first()];
                const int gap = other.key().digitValue() - it.key().digitValue();
                QVERIFY2(otherFret >= fret, qPrintable(what + QStringLiteral(" fingers cross")));
                QVERIFY2(otherFret - fret <= gap + 1, qPrintable(what + QStringLiteral(" stretch")));
                if (otherFret == fret)
                    QVERIFY2(other.value().last() < strings.first(), qPrintable(what + QStringLiteral(" fingers cross")));
            }
        }
        QVERIFY2(barres <= 1, qPrintable(what));
    }
}

// Fingers on string 6 or 5 reaching three frets above the index finger that
// lies on higher strings: with the ring or little finger, or with any finger
// while the index lies flat across the middle strings (the G shape moved up).
bool reachesBackToBass(const Decoded& d)
{
    int indexLow = Strings, indexHigh = -1; // strings 1..6 as 0..5
    for (int s = 0; s < Strings; ++s)
        if (d.finger[s] == QLatin1Char('1')) {
            indexLow = std::min(indexLow, s);
            indexHigh = std::max(indexHigh, s);
        }
    if (indexHigh < 0)
        return false;
    const int indexFret = d.fret[indexLow];
    const bool innerBarre = indexHigh > indexLow && indexLow <= 3 && indexHigh >= 1;
    for (int s : {4, 5}) {
        if (s <= indexHigh || d.fret[s] != indexFret + 3)
            continue;
        const int finger = d.finger[s].digitValue();
        if (finger >= 3 || (innerBarre && finger == 2))
            return true;
    }
    return false;
}

void TestChordDb::handComfort()
{
    QMap<QString, int> reaches; // per key and chord type
    for (const Row& r : rows) {
        const QString what = describe(r);
        const Decoded d = decode(r);
        QMap<int, QList<int>> fingersOn; // fret -> fingers, strings ordered high to low
        QMap<int, QList<int>> stringsOn;
        int low = 99;
        for (int s = 0; s < Strings; ++s) {
            const int finger = d.finger[s].digitValue();
            if (d.fret[s] <= 0 || finger < 1)
                continue;
            low = std::min(low, d.fret[s]);
            if (!fingersOn[d.fret[s]].contains(finger))
                fingersOn[d.fret[s]].append(finger);
            stringsOn[d.fret[s]].append(s);
        }
        for (auto it = fingersOn.cbegin(); it != fingersOn.cend(); ++it) {
            if (it.value().size() < 4)
                continue;
            // Four fingers on the lowest fret with nothing open or muted
            // between them belong under one index barre.
            const QList<int>& strings = stringsOn.value(it.key());
            bool barreFits = it.key() == low;
            for (int s = strings.first(); s <= strings.last(); ++s)
                barreFits = barreFits && d.fret[s] >= it.key();
            QVERIFY2(!barreFits, qPrintable(what + QStringLiteral(" four fingers where a barre fits")));
            QFAIL(qPrintable(what + QStringLiteral(" four fingers on one fret")));
        }
        if (reachesBackToBass(d))
            ++reaches[r.key + QString::number(r.name)];
    }
    // These reaches are hard but belong to two forms guitarists learn, the C
    // and the G shape (x87565, 8655xx): a chord keeps at most one of each.
    // Left to a search of the neck, some chords reached back four times.
    for (auto it = reaches.cbegin(); it != reaches.cend(); ++it)
        QVERIFY2(it.value() <= 2, qPrintable(QStringLiteral("%1: %2 positions reach back to the bass").arg(it.key()).arg(it.value())));
}

void TestChordDb::repeats()
{
    for (const KeyEntry& k : Keys)
        for (int name = 0; name < FirstScaleIndex; ++name) {
            const QList<Row> list = rowsOf(QString::fromLatin1(k.noteRow.substr(0, 2)), name);
            for (const Row& a : list)
                for (const Row& b : list) {
                    if (&a == &b)
                        continue;
                    const QString what = describe(a) + QStringLiteral(" and ") + describe(b);
                    const Decoded da = decode(a), db = decode(b);
                    QVERIFY2(da.fret != db.fret, qPrintable(what));
                    // No position is another with treble strings left off:
                    // the same frets from the same bass string up.
                    int top = -1, bassA = -1, bassB = -1; // strings 1..6 as 0..5
                    for (int s = 0; s < Strings; ++s) {
                        top = top < 0 && da.fret[s] >= 0 ? s : top;
                        bassA = da.fret[s] >= 0 ? s : bassA;
                        bassB = db.fret[s] >= 0 ? s : bassB;
                    }
                    // A three-string shell is a form of its own (x-3-2-3-x-x, x-3-2-3-1-0).
                    const auto sounding = std::count_if(da.fret.begin(), da.fret.end(), [](int f) { return f >= 0; });
                    bool cut = within(da.fret, db.fret) && bassA == bassB && sounding > 3;
                    for (int s = top; s < Strings; ++s)
                        cut = cut && (da.fret[s] >= 0 || db.fret[s] < 0);
                    QVERIFY2(!cut, qPrintable(what + QStringLiteral(": treble strings left off")));
                    // No position is another moved up twelve frets, whole or in part.
                    std::array<int, Strings> up = da.fret;
                    for (int& f : up)
                        f = f < 0 ? f : f + 12;
                    QVERIFY2(!within(up, db.fret) && !within(db.fret, up), qPrintable(what + QStringLiteral(": an octave apart")));
                }
        }
}

void TestChordDb::knownShapes_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("name");
    QTest::addColumn<QString>("frets");   // low E first
    QTest::addColumn<QString>("fingers"); // low E first, "" = any; x muted, 0 open
    QTest::addColumn<bool>("opens");      // the first position the program shows
    struct Known {
        const char* label;
        const char* key;
        const char* name;
        const char* frets;
        const char* fingers;
    };
    const Known known[] = {
        {"open C", "C ", "major", "x32010", "x32010"},
        {"open A", "A ", "major", "x02220", "x01230"},
        {"open G", "G ", "major", "320003", ""},
        {"open E", "E ", "major", "022100", "023100"},
        {"open D", "D ", "major", "xx0232", "xx0132"},
        {"open Am", "A ", "minor", "x02210", "x02310"},
        {"open Em", "E ", "minor", "022000", ""},
        {"open Dm", "D ", "minor", "xx0231", "xx0231"},
        {"open C7", "C ", "seventh", "x32310", "x32410"},
        {"open A7", "A ", "seventh", "x02020", "x02030"},
        {"open G7", "G ", "seventh", "320001", "320001"},
        {"open E7", "E ", "seventh", "020100", "020100"},
        {"open D7", "D ", "seventh", "xx0212", "xx0213"},
        {"open B7", "B ", "seventh", "x21202", "x21304"},
        {"open Am7", "A ", "minor seventh", "x02010", "x02010"},
        {"open Em7", "E ", "minor seventh", "022030", ""},
        {"open Em7, two fingers less", "E ", "minor seventh", "020000", ""},
        {"open Dm7", "D ", "minor seventh", "xx0211", "xx0211"},
        {"open Cmaj7", "C ", "major seventh", "x32000", "x32000"},
        {"open Dmaj7", "D ", "major seventh", "xx0222", ""},
        {"open Amaj7", "A ", "major seventh", "x02120", "x02130"},
        {"open Fmaj7", "F ", "major seventh", "xx3210", "xx3210"},
        {"open Asus4", "A ", "suspended fourth", "x02230", ""},
        {"open Dsus4", "D ", "suspended fourth", "xx0233", ""},
        {"open Esus4", "E ", "suspended fourth", "022200", ""},
        {"open A6", "A ", "sixth", "x02222", ""},
        {"open Am6", "A ", "minor sixth", "x02212", ""},
        {"E-shape F", "F ", "major", "133211", "134211"},
        {"E-shape G", "G ", "major", "355433", "134211"},
        {"E-shape C", "C ", "major", "8 10 10 9 8 8", "1 3 4 2 1 1"},
        {"E-shape Fm", "F ", "minor", "133111", "134111"},
        {"E-shape Am", "A ", "minor", "577555", "134111"},
        {"E-shape F7", "F ", "seventh", "131211", "131211"},
        {"E-shape A7", "A ", "seventh", "575655", "131211"},
        {"E-shape Fm7", "F ", "minor seventh", "131111", "131111"},
        {"E-shape Gm7", "G ", "minor seventh", "353333", "131111"},
        {"E-shape Fmaj7", "F ", "major seventh", "1x221x", "1x342x"},
        {"E-shape Gmaj7", "G ", "major seventh", "3x443x", "1x342x"},
        {"A-shape Bb", "A#", "major", "x13331", "x12341"},
        {"A-shape C", "C ", "major", "x35553", "x12341"},
        {"A-shape D", "D ", "major", "x57775", "x12341"},
        {"A-shape Bbm", "A#", "minor", "x13321", "x13421"},
        {"A-shape Em", "E ", "minor", "x79987", "x13421"},
        {"A-shape Bb7", "A#", "seventh", "x13131", "x13141"},
        {"A-shape D7", "D ", "seventh", "x57575", "x13141"},
        {"A-shape Bbm7", "A#", "minor seventh", "x13121", "x13121"},
        {"A-shape Cm7", "C ", "minor seventh", "x35343", "x13121"},
        {"A-shape Bbmaj7", "A#", "major seventh", "x13231", "x13241"},
        {"A-shape Ebmaj7", "D#", "major seventh", "x68786", "x13241"},
        // The CAGED forms of major, minor and seventh chords in a few keys.
        {"D-shape C", "C ", "major", "x x 10 12 13 12", ""},
        {"D-shape G", "G ", "major", "x x 5 7 8 7", ""},
        {"C-shape G", "G ", "major", "x 10 9 7 8 7", ""},
        {"A-shape G", "G ", "major", "x 10 12 12 12 10", ""},
        {"D-shape F", "F ", "major", "x x 3 5 6 5", ""},
        {"C-shape F", "F ", "major", "x 8 7 5 6 5", "x 4 3 1 2 1"},
        {"A-shape F", "F ", "major", "x 8 10 10 10 8", ""},
        {"C-shape Dm", "D ", "minor", "x 5 3 2 3 x", ""},
        {"A-shape Dm", "D ", "minor", "x 5 7 7 6 5", ""},
        {"E-shape Dm", "D ", "minor", "10 12 12 10 10 10", ""},
        {"A-shape Cm", "C ", "minor", "x35543", "x13421"},
        {"E-shape Cm", "C ", "minor", "8 10 10 8 8 8", ""},
        {"D-shape Cm", "C ", "minor", "x x 10 12 13 11", ""},
        {"open Am, high", "A ", "minor", "x02555", ""},
        {"D-shape Am", "A ", "minor", "x x 7 9 10 8", ""},
        {"E-shape G7", "G ", "seventh", "353433", "131211"},
        {"D-shape G7", "G ", "seventh", "x x 5 7 6 7", ""},
        {"A-shape G7", "G ", "seventh", "x 10 12 10 12 10", ""},
        {"A-shape C7", "C ", "seventh", "x35353", "x13141"},
        {"E-shape C7", "C ", "seventh", "8 10 8 9 8 8", ""},
        {"D-shape C7", "C ", "seventh", "x x 10 12 11 12", ""},
        // Small forms on four strings.
        {"small F", "F ", "major", "xx3211", "xx3211"},
        {"small G", "G ", "major", "xx5433", "xx3211"},
        {"small Fm", "F ", "minor", "xx3111", "xx3111"},
        {"small F7", "F ", "seventh", "xx3241", "xx3241"},
        {"small Cmaj7", "C ", "major seventh", "x x 10 9 8 7", "x x 4 3 2 1"},
        // Jazz grips with a muted string above the root, and the C shape.
        {"jazz Gm7", "G ", "minor seventh", "3x333x", "1x333x"},
        {"jazz Cm7, root on 6", "C ", "minor seventh", "8x888x", ""},
        {"jazz C7, root on 5", "C ", "seventh", "x3x353", ""},
        {"jazz Cmaj7, root on 5", "C ", "major seventh", "x3x453", ""},
        {"jazz Gmaj7, root on 6", "G ", "major seventh", "3x443x", ""},
        {"jazz Cm7b5, root on 5", "C ", "minor seventh, flat fifth", "x3x342", ""},
        {"jazz Cdim7, root on 5", "C ", "diminished", "x3x242", ""},
        {"C-shape Dmaj7", "D ", "major seventh", "x54222", "x43111"},
        // Shells: root, third and seventh (or sixth) on the root on string 6 or 5.
        {"shell C7", "C ", "seventh", "x323xx", ""},
        {"shell C7, third on top", "C ", "seventh", "x3x35x", ""},
        {"shell Cmaj7", "C ", "major seventh", "x324xx", ""},
        {"shell Cm7", "C ", "minor seventh", "x313xx", ""},
        {"shell Cm7, third on top", "C ", "minor seventh", "x3x34x", ""},
        {"shell G7", "G ", "seventh", "323xxx", ""},
        {"shell G7, third on top", "G ", "seventh", "3x34xx", ""},
        {"shell C#7 on string 6", "C#", "seventh", "9 8 9 x x x", ""},
        {"shell C#m7 on string 6", "C#", "minor seventh", "9 7 9 x x x", ""},
        {"shell G#m7 on string 5", "G#", "minor seventh", "x 11 9 11 x x", ""},
        // Triads on strings 3-2-1: root position and both inversions.
        {"triad C", "C ", "major", "xxx553", ""},
        {"triad C over E", "C ", "major", "xxx988", ""},
        {"triad Cm", "C ", "minor", "xxx543", ""},
        {"triad Cm over Eb", "C ", "minor", "xxx888", ""},
        {"triad Cm over G", "C ", "minor", "x x x 12 13 11", ""},
        {"triad Am", "A ", "minor", "xxx210", ""},
        {"triad Am over C", "A ", "minor", "xxx555", ""},
        {"triad Am over E", "A ", "minor", "x x x 9 10 8", ""},
        {"triad Ab over Eb", "G#", "major", "xxx898", ""},
        {"triad F#m over A", "F#", "minor", "xxx222", ""},
        // Ninths, and the augmented chord with its top string.
        {"five-string C9", "C ", "ninth", "x32333", "x21333"},
        {"five-string B9", "B ", "ninth", "x21222", ""},
        {"E-shape C9", "C ", "ninth", "8 10 8 9 8 10", ""},
        {"open Aaug", "A ", "augmented", "x03221", ""},
        {"open Caug", "C ", "augmented", "x32110", ""},
        {"open Eaug", "E ", "augmented", "032110", ""},
    };
    for (const Known& k : known) {
        int name = -1;
        for (int t = 0; t < FirstScaleIndex; ++t)
            if (ChordTypes[t].listText == k.name)
                name = t;
        QTest::newRow(k.label) << QString::fromLatin1(k.key) << name << QString::fromLatin1(k.frets)
                               << QString::fromLatin1(k.fingers) << false;
    }
    // What a beginner is taught comes first: the open form, else a barre.
    const Known first[] = {
        {"C opens open", "C ", "major", "x32010", ""},
        {"Am opens open", "A ", "minor", "x02210", ""},
        {"F opens on the E-shape barre", "F ", "major", "133211", ""},
        {"C# opens on the A-shape barre", "C#", "major", "x 4 6 6 6 4", ""},
        {"Ab opens on the E-shape barre", "G#", "major", "4 6 6 5 4 4", ""},
        {"G#m opens on the E-shape barre", "G#", "minor", "4 6 6 4 4 4", ""},
        {"F#m opens on the E-shape barre", "F#", "minor", "244222", ""},
        {"Bb opens on the A-shape barre", "A#", "major", "x13331", ""},
        {"C#7 opens on the A-shape barre", "C#", "seventh", "x 4 6 4 6 4", ""},
        {"B9 opens on the five-string ninth", "B ", "ninth", "x21222", ""},
    };
    for (const Known& k : first) {
        int name = -1;
        for (int t = 0; t < FirstScaleIndex; ++t)
            if (ChordTypes[t].listText == k.name)
                name = t;
        QTest::newRow(k.label) << QString::fromLatin1(k.key) << name << QString::fromLatin1(k.frets) << QString() << true;
    }
}

void TestChordDb::knownShapes()
{
    QFETCH(QString, key);
    QFETCH(int, name);
    QFETCH(QString, frets);
    QFETCH(QString, fingers);
    QFETCH(bool, opens);
    QVERIFY(name >= 0);
    const std::array<int, Strings> wanted = parseLowToHigh(frets);
    if (opens) {
        // The program's own query.
        QSqlQuery q(QSqlDatabase::database(Connection));
        QVERIFY(q.exec(QStringLiteral("SELECT * FROM Chords WHERE [Key] = '%1' AND [Name] = %2 ORDER BY [Fret];").arg(key).arg(name)));
        QVERIFY(q.next());
        const Decoded d = decode({key, name, q.value(QStringLiteral("Fret")).toInt(), q.value(QStringLiteral("Fingering")).toString()});
        QCOMPARE(tabOf(d), tabOf(Decoded{wanted, {}}));
        return;
    }
    for (const Row& r : rowsOf(key, name)) {
        const Decoded d = decode(r);
        if (d.fret != wanted)
            continue;
        if (!fingers.isEmpty()) {
            const std::array<int, Strings> finger = parseLowToHigh(fingers);
            for (int s = 0; s < Strings; ++s)
                if (d.fret[s] > 0)
                    QVERIFY2(d.finger[s].digitValue() == finger[s], qPrintable(describe(r)));
        }
        return;
    }
    QFAIL(qPrintable(QStringLiteral("%1 is missing").arg(frets)));
}

void TestChordDb::listing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("key"); // the rows it lists, "" for none
    QTest::addColumn<int>("name");
    QTest::addColumn<QString>("says"); // on standard output or error
    auto list = [](const char* key, const char* type) { return QStringList{QStringLiteral("--list"), QLatin1String(key), QLatin1String(type)}; };
    QTest::newRow("letter, type by name") << list("C", "major") << 0 << "C " << 0 << "x-3-2-0-1-0";
    QTest::newRow("flat, type by symbol") << list("Db", "m7") << 0 << "C#" << 24 << "C#/Db minor seventh";
    QTest::newRow("list text, type by number") << list("a#/bb", "8") << 0 << "A#" << 8 << "x-1-3-2-3-1";
    QTest::newRow("sharp, type by list text") << list("F#", "seventh, suspended fourth") << 0 << "F#" << 21 << "F#/Gb";
    QTest::newRow("no such key") << list("H", "major") << 2 << "" << 0 << "not a key";
    QTest::newRow("no such type") << list("C", "32nd") << 2 << "" << 0 << "not a chord type";
    QTest::newRow("a scale") << list("C", "major scale") << 2 << "" << 0 << "scale";
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << "" << 0 << "--list KEY TYPE";
    QTest::newRow("no arguments") << QStringList{} << 2 << "" << 0 << "usage";
}

// chordgen --list prints what the database holds, in the program's order.
void TestChordDb::listing()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, key);
    QFETCH(int, name);
    QFETCH(QString, says);
    QProcess gen;
    gen.start(QStringLiteral(LYROVAN_CHORDGEN), args);
    QVERIFY(gen.waitForFinished(60000));
    QCOMPARE(gen.exitCode(), exitCode);
    const QString out = QString::fromLocal8Bit(gen.readAllStandardOutput());
    QVERIFY2((out + QString::fromLocal8Bit(gen.readAllStandardError())).contains(says), qPrintable(out));
    if (key.isEmpty())
        return;
    QStringList listed;
    for (const QString& line : out.split(QLatin1Char('\n')))
        if (line.contains(QRegularExpression(QStringLiteral("^ *\\d+ +[x0-9]"))))
            listed << line.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(1);
    QSqlQuery q(QSqlDatabase::database(Connection));
    QVERIFY(q.exec(QStringLiteral("SELECT * FROM Chords WHERE [Key] = '%1' AND [Name] = %2 ORDER BY [Fret];").arg(key).arg(name)));
    QStringList stored;
    while (q.next())
        stored << tabOf(decode({key, name, q.value(QStringLiteral("Fret")).toInt(), q.value(QStringLiteral("Fingering")).toString()}));
    QCOMPARE(listed, stored);
}

void TestChordDb::generatorRepeats()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Chords.mdb"));
    QProcess gen;
    gen.start(QStringLiteral(LYROVAN_CHORDGEN), {path});
    QVERIFY(gen.waitForFinished(60000));
    QCOMPARE(gen.exitCode(), 0);

    QList<Row> again;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Connection + QStringLiteral("_again"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QVERIFY(db.open());
        QSqlQuery q(QStringLiteral("SELECT Key, Name, Fret, Fingering FROM Chords ORDER BY rowid"), db);
        while (q.next())
            again.append({q.value(0).toString(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toString()});
        db.close();
    }
    QSqlDatabase::removeDatabase(Connection + QStringLiteral("_again"));
    QCOMPARE(again.size(), rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        QVERIFY2(describe(again.at(i)) == describe(rows.at(i)), qPrintable(describe(again.at(i))));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Chords.mdb")});
}

void TestChordDb::generatorRefusesBadPath()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no such folder/Chords.mdb"));
    QProcess gen;
    gen.start(QStringLiteral(LYROVAN_CHORDGEN), {path});
    QVERIFY(gen.waitForFinished(60000));
    QVERIFY(gen.exitCode() != 0);
    QVERIFY(!gen.readAllStandardError().isEmpty());
    QVERIFY(!QFile::exists(path));
}

QTEST_GUILESS_MAIN(TestChordDb)
#include "tst_chorddb.moc"
