// The positions chosen at run time for tunings the chord database does not
// hold: every one keeps the rules the database's rows keep, checked from
// its diagram cells alone against open strings written down here.

#include "library/GeneratedPositions.h"
#include "support/TestSupport.h"
#include "theory/ChordTables.h"
#include "theory/Tuning.h"

#include <QStringList>
#include <QTest>


using namespace lyrovan;

namespace {

const NamedTuning* TuningNamed(const QString& name)
{
    for (const NamedTuning& named : GuitarTunings)
        if (QLatin1String(named.name.data(), qsizetype(named.name.size())) == name)
            return &named;
    return nullptr;
}

// A position as played: the fret of strings 6..1 (-1 muted) and their fingers.
struct Played {
    int fret[6];
    QChar finger[6];
};

Played Decode(const ChordPosition& p)
{
    Played played{};
    for (int s = 6; s >= 1; --s) {
        const int i = 6 - s; // low string first
        played.fret[i] = 0;
        for (int row = 0; row < DiagramRows; ++row) {
            const QString& cell = p.cell(s, row);
            if (cell == QStringLiteral("X"))
                played.fret[i] = -1;
            else if (cell != QStringLiteral(" ") && cell != QStringLiteral("O") && played.fret[i] >= 0) {
                played.fret[i] = p.fret + row;
                played.finger[i] = cell.at(0);
            }
        }
    }
    return played;
}

// "x-0-0-0-0-0": the frets from string 6 to string 1.
QString Tab(const ChordPosition& position)
{
    const Played p = Decode(position);
    QStringList frets;
    for (int fret : p.fret)
        frets << (fret < 0 ? QStringLiteral("x") : QString::number(fret));
    return frets.join(QLatin1Char('-'));
}

QStringList Tabs(const std::vector<ChordPosition>& positions)
{
    QStringList tabs;
    for (const ChordPosition& position : positions)
        tabs << Tab(position);
    return tabs;
}

} // namespace

class TestGeneratedPositions : public QObject {
    Q_OBJECT
private slots:
    void keepTheLibrarysRules_data();
    void keepTheLibrarysRules();
    void firstPositionIsTheTuningsOwn_data();
    void firstPositionIsTheTuningsOwn();
    void movedTuningPlaysTheSameFrets_data();
    void movedTuningPlaysTheSameFrets();
};

void TestGeneratedPositions::keepTheLibrarysRules_data()
{
    QTest::addColumn<QString>("tuning");
    QTest::addColumn<QString>("notes"); // open strings, lowest first
    QTest::newRow("Drop D") << "Drop D" << "D2 A2 D3 G3 B3 E4";
    QTest::newRow("Double drop D") << "Double drop D" << "D2 A2 D3 G3 B3 D4";
    QTest::newRow("DADGAD") << "DADGAD" << "D2 A2 D3 G3 A3 D4";
    QTest::newRow("Open G") << "Open G" << "D2 G2 D3 G3 B3 D4";
    QTest::newRow("Open D") << "Open D" << "D2 A2 D3 F#3 A3 D4";
    QTest::newRow("Open E") << "Open E" << "E2 B2 E3 G#3 B3 E4";
    QTest::newRow("Open C") << "Open C" << "C2 G2 C3 G3 C4 E4";
    QTest::newRow("Half step down") << "Half step down" << "D#2 G#2 C#3 F#3 A#3 D#4";
    QTest::newRow("Whole step down") << "Whole step down" << "D2 G2 C3 F3 A3 D4";
    QTest::newRow("Drop C") << "Drop C" << "C2 G2 C3 F3 A3 D4";
}

void TestGeneratedPositions::keepTheLibrarysRules()
{
    QFETCH(QString, tuning);
    QFETCH(QString, notes);
    const NamedTuning* named = TuningNamed(tuning);
    QVERIFY(named);
    int open[6];
    const QStringList names = notes.split(QLatin1Char(' '));
    for (int i = 0; i < 6; ++i)
        open[i] = test::MidiNote(names.at(i));

    int chordsWithout = 0;
    for (int key = 0; key < KeyCount; ++key) {
        const int root = PitchClassOf(Keys[key].noteRow.substr(0, 2));
        for (int type = 0; type < ChordTypeCount; ++type) {
            const std::vector<ChordPosition> positions = GeneratedPositions(named->tuning, key, type);
            const QString chord = QStringLiteral("%1 %2").arg(QLatin1String(Keys[key].listText.data()),
                                                              QLatin1String(ChordTypes[type].listText.data()));
            if (type >= FirstScaleIndex) {
                QVERIFY2(positions.empty(), qPrintable(chord));
                continue;
            }
            chordsWithout += positions.empty() ? 1 : 0;
            QVERIFY2(positions.size() <= 12, qPrintable(chord));
            const QSet<int> allowed = test::ChordPitchClasses(root, type);
            int lastBase = 0;
            for (const ChordPosition& position : positions) {
                const Played p = Decode(position);
                const QString where = chord + QStringLiteral(" at fret ") + QString::number(position.fret);
                QVERIFY2(position.stored, qPrintable(where));
                QVERIFY2(position.fret >= lastBase, qPrintable(where)); // lowest base fret first
                lastBase = position.fret;
                int sounding = 0, low = 99, high = 0, bass = 999;
                bool rootSounds = false;
                for (int i = 0; i < 6; ++i) {
                    if (p.fret[i] < 0)
                        continue;
                    const int pitch = open[i] + p.fret[i];
                    QVERIFY2(allowed.contains(pitch % 12), qPrintable(where + QStringLiteral(": a foreign note")));
                    rootSounds = rootSounds || pitch % 12 == root;
                    bass = std::min(bass, pitch);
                    ++sounding;
                    if (p.fret[i] > 0) {
                        low = std::min(low, p.fret[i]);
                        high = std::max(high, p.fret[i]);
                        QVERIFY2(QStringLiteral("1234T").contains(p.finger[i]), qPrintable(where));
                    }
                }
                QVERIFY2(rootSounds, qPrintable(where + QStringLiteral(": no root")));
                QVERIFY2(sounding >= 3, qPrintable(where));
                // Only the triads on strings 3-2-1 stand on another note than the root.
                QVERIFY2(bass % 12 == root || (sounding == 3 && p.fret[3] >= 0 && p.fret[5] >= 0),
                         qPrintable(where + QStringLiteral(": bass not the root")));
                QVERIFY2(high == 0 || high - low <= 3, qPrintable(where + QStringLiteral(": span")));
                QVERIFY2(high <= 15, qPrintable(where));
                // One finger presses one fret, and the fingers follow the frets up.
                for (int i = 0; i < 6; ++i)
                    for (int j = 0; j < 6; ++j)
                        if (p.fret[i] > 0 && p.fret[j] > 0 && p.finger[i] != QLatin1Char('T')
                            && p.finger[j] != QLatin1Char('T')) {
                            if (p.finger[i] == p.finger[j])
                                QVERIFY2(p.fret[i] == p.fret[j], qPrintable(where + QStringLiteral(": fingers")));
                            if (p.fret[i] < p.fret[j])
                                QVERIFY2(p.finger[i] < p.finger[j], qPrintable(where + QStringLiteral(": fingers")));
                        }
            }
        }
    }
    // Nearly every chord of every tuning can be played.
    QVERIFY2(chordsWithout <= KeyCount, qPrintable(QString::number(chordsWithout)));
}

void TestGeneratedPositions::firstPositionIsTheTuningsOwn_data()
{
    // What a player of the tuning reaches for first: its open chord, its
    // barre, the shapes of standard tuning a key away, a drop tuning's open
    // bass under them.
    QTest::addColumn<QString>("tuning");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("tab");
    QTest::newRow("open G, G") << "Open G" << 10 << 0 << "x-0-0-0-0-0";
    QTest::newRow("open G, C") << "Open G" << 3 << 0 << "x-5-5-5-5-5";
    QTest::newRow("open G, G seventh") << "Open G" << 10 << 2 << "x-0-0-0-0-3";
    QTest::newRow("open D, D") << "Open D" << 5 << 0 << "0-0-0-0-0-0";
    QTest::newRow("open E, A") << "Open E" << 0 << 0 << "5-5-5-5-5-5";
    QTest::newRow("open C, C") << "Open C" << 3 << 0 << "0-0-0-0-0-0";
    QTest::newRow("DADGAD, D sus4") << "DADGAD" << 5 << 20 << "0-0-0-0-0-0";
    QTest::newRow("DADGAD, D") << "DADGAD" << 5 << 0 << "0-0-4-2-0-0";
    QTest::newRow("drop D, D") << "Drop D" << 5 << 0 << "0-0-0-2-3-2";
    QTest::newRow("drop D, D minor") << "Drop D" << 5 << 22 << "0-0-0-2-3-1";
    QTest::newRow("drop D, C") << "Drop D" << 3 << 0 << "x-3-2-0-1-0";
    QTest::newRow("drop C, C") << "Drop C" << 3 << 0 << "0-0-0-2-3-2";
    QTest::newRow("double drop D, G") << "Double drop D" << 10 << 0 << "5-2-0-0-0-0";
    QTest::newRow("half step down, F#") << "Half step down" << 9 << 0 << "3-2-0-0-0-3";
    QTest::newRow("whole step down, C seventh") << "Whole step down" << 3 << 2 << "x-x-0-2-1-2";
}

void TestGeneratedPositions::firstPositionIsTheTuningsOwn()
{
    QFETCH(QString, tuning);
    QFETCH(int, key);
    QFETCH(int, type);
    QFETCH(QString, tab);
    const NamedTuning* named = TuningNamed(tuning);
    QVERIFY(named);
    const QStringList tabs = Tabs(GeneratedPositions(named->tuning, key, type));
    QVERIFY(tabs.size() >= 4);
    QCOMPARE(tabs.first(), tab);
}

void TestGeneratedPositions::movedTuningPlaysTheSameFrets_data()
{
    QTest::addColumn<QString>("tuning");
    QTest::addColumn<int>("semitones"); // below standard tuning
    QTest::newRow("half step down") << "Half step down" << 1;
    QTest::newRow("whole step down") << "Whole step down" << 2;
}

void TestGeneratedPositions::movedTuningPlaysTheSameFrets()
{
    QFETCH(QString, tuning);
    QFETCH(int, semitones);
    const NamedTuning* named = TuningNamed(tuning);
    QVERIFY(named);
    // Standard tuning moved down: every chord has the frets of the chord
    // that many semitones up in standard tuning (Eb in half step down is
    // the open E).
    for (int key = 0; key < KeyCount; ++key)
        for (int type = 0; type < FirstScaleIndex; ++type)
            QVERIFY2(Tabs(GeneratedPositions(named->tuning, key, type))
                         == Tabs(GeneratedPositions(StandardTuning, (key + semitones) % KeyCount, type)),
                     qPrintable(QStringLiteral("key %1, type %2").arg(key).arg(type)));
}

QTEST_GUILESS_MAIN(TestGeneratedPositions)
#include "tst_generatedpositions.moc"
