// The key and chord tables and clsChord: note rows, formulas, Key and
// Construct, checked against the note names a musician would write down.

#include "theory/ChordTables.h"
#include "theory/clsChord.h"
#include "errors/RuntimeError.h"

#include <QTest>

using namespace lyrovan;

namespace {

QString Q(std::string_view s)
{
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// "C, E, G" -> "C E G " (two characters per name).
QString NoteText(const QString& commaList)
{
    QString out;
    for (QString name : commaList.split(QStringLiteral(", "))) {
        out += name.leftJustified(2, QLatin1Char(' '));
    }
    return out;
}

int ChordIndex(const char* listText)
{
    for (int i = 0; i < ChordTypeCount; ++i)
        if (ChordTypes[static_cast<std::size_t>(i)].listText == listText)
            return i;
    return -1;
}

} // namespace

class TestTheory : public QObject {
    Q_OBJECT
private slots:
    void noteRowsClimbChromatically();
    void formulasInC_data();
    void formulasInC();
    void workedExampleASharpMinorSeventh();
    void constructEdgeCases_data();
    void constructEdgeCases();
    void emptyStateGivesEmptyTexts();
    void keyAndFormulaAreIndependent();
    void badFormulaDigitIsTypeMismatch();
    void chordTextsAreUnique();
};

void TestTheory::noteRowsClimbChromatically()
{
    for (const KeyEntry& key : Keys) {
        const QString row = Q(key.noteRow);
        QCOMPARE(row.size(), 24);
        const int first = PitchClassOf(key.noteRow.substr(0, 2));
        QVERIFY2(first >= 0, key.noteRow.data());
        for (int n = 0; n < 12; ++n) {
            const std::string_view name = key.noteRow.substr(static_cast<std::size_t>(2 * n), 2);
            QCOMPARE(PitchClassOf(name), (first + n) % 12);
        }
        // The list text starts with the row's key letter; flats only as a second name.
        QCOMPARE(Q(key.listText).left(1), row.left(1));
        QVERIFY(!row.contains(QLatin1Char('b')));
    }
}

void TestTheory::formulasInC_data()
{
    QTest::addColumn<QString>("listText");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("semitones");
    QTest::addColumn<QString>("notesInC");
    // List text, suffix, semitones above the key, and the notes of the chord in C.
    const char* const rows[][4] = {
        {"major", "pure", "0,4,7", "C, E, G"},
        {"sixth", "6", "0,4,7,9", "C, E, G, A"},
        {"seventh", "7", "0,4,7,10", "C, E, G, A#"},
        {"ninth", "9", "0,2,4,7,10", "C, D, E, G, A#"},
        {"eleventh", "11", "0,2,4,5,7,10", "C, D, E, F, G, A#"},
        {"eleventh sharp", "11+", "0,2,4,6,7,10", "C, D, E, F#, G, A#"},
        {"thirteenth", "13", "7,0,6,10,2,9,4", "G, C, F#, A#, D, A, E"},
        {"major sixth", "maj6", "0,4,7,9", "C, E, G, A"},
        {"major seventh", "maj7", "0,4,7,11", "C, E, G, B"},
        {"major ninth", "maj9", "0,2,4,7,11", "C, D, E, G, B"},
        {"major eleventh", "maj11", "0,2,5,7,11", "C, D, F, G, B"},
        {"seventh, flat fifth", "7-5", "0,4,6,10", "C, E, F#, A#"},
        {"seventh, flat ninth", "7-9", "0,1,4,7,10", "C, C#, E, G, A#"},
        {"seventh, flat tenth", "7-10", "0,3,4,7,10", "C, D#, E, G, A#"},
        {"augmented seventh", "7+5", "0,4,8,10", "C, E, G#, A#"},
        {"augmented ninth", "9+5", "0,2,4,8,10", "C, D, E, G#, A#"},
        {"augmented seventh, flat ninth", "7-9+5", "0,1,4,8,10", "C, C#, E, G#, A#"},
        {"sixth, ninth", "6.9", "0,2,4,7,9", "C, D, E, G, A"},
        {"diminished", "dim", "0,3,6,9", "C, D#, F#, A"},
        {"augmented", "+5", "0,4,8", "C, E, G#"},
        {"suspended fourth", "sus4", "0,5,7", "C, F, G"},
        {"seventh, suspended fourth", "7sus4", "0,5,7,10", "C, F, G, A#"},
        {"minor", "m", "0,3,7", "C, D#, G"},
        {"minor sixth", "m6", "0,3,7,9", "C, D#, G, A"},
        {"minor seventh", "m7", "0,3,7,10", "C, D#, G, A#"},
        {"minor ninth", "m9", "0,2,3,7,10", "C, D, D#, G, A#"},
        {"minor seventh, flat fifth", "m7-5", "0,3,6,10", "C, D#, F#, A#"},
        {"minor seventh, flat ninth", "m7-9", "0,1,3,7,10", "C, C#, D#, G, A#"},
        {"minor, major seventh", "m+7", "0,3,7,11", "C, D#, G, B"},
        {"minor ninth, major seventh", "m9+7", "0,2,3,7,11", "C, D, D#, G, B"},
        {"minor, sharp fifth", "m+5", "0,3,8", "C, D#, G#"},
        {"minor sixth, ninth", "m6.9", "0,2,3,7,9", "C, D, D#, G, A"},
        {"major scale", "major scale", "0,2,4,5,7,9,11", "C, D, E, F, G, A, B"},
        {"major pentatonic scale", "major pentatonic", "0,2,4,7,9", "C, D, E, G, A"},
        {"minor scale", "minor scale", "0,2,3,5,7,8,10", "C, D, D#, F, G, G#, A#"},
        {"minor pentatonic scale", "minor pentatonic", "0,3,5,7,10", "C, D#, F, G, A#"},
        {"select all", "select all", "0,1,2,3,4,5,6,7,8,9,10,11", "C, C#, D, D#, E, F, F#, G, G#, A, A#, B"},
    };
    QCOMPARE(std::size(rows), std::size_t(ChordTypeCount));
    int index = 0;
    for (const auto& row : rows) {
        QTest::addRow("%d %s", index, row[0]) << row[0] << row[1] << row[2] << row[3];
        QCOMPARE(Q(ChordTypes[static_cast<std::size_t>(index)].listText), QString::fromLatin1(row[0]));
        ++index;
    }
}

void TestTheory::formulasInC()
{
    QFETCH(QString, listText);
    QFETCH(QString, suffix);
    QFETCH(QString, semitones);
    QFETCH(QString, notesInC);

    const int index = ChordIndex(qPrintable(listText));
    QVERIFY(index >= 0);
    const ChordEntry& entry = ChordTypes[static_cast<std::size_t>(index)];
    QCOMPARE(Q(entry.suffix), suffix);

    QStringList steps;
    for (char digit : entry.formula)
        steps << QString::number(FormulaDigitValue(digit) - 1);
    QCOMPARE(steps.join(QLatin1Char(',')), semitones);

    ChordState state{Q(Keys[3].noteRow), Q(entry.formula)};
    const clsChord chord(state);
    QCOMPARE(chord.Key(), QStringLiteral("C "));
    QCOMPARE(chord.Construct(), NoteText(notesInC));
}

void TestTheory::workedExampleASharpMinorSeventh()
{
    ChordState state{Q(Keys[1].noteRow), QStringLiteral("148B")};
    const clsChord chord(state);
    QCOMPARE(state.CurrentNoteRow, QStringLiteral("A#B C C#D D#E F F#G G#A "));
    QCOMPARE(chord.Key(), QStringLiteral("A#"));
    QCOMPARE(chord.Construct(), QStringLiteral("A#C#F G#"));
}

void TestTheory::constructEdgeCases_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("chord");
    QTest::addColumn<QString>("expectedKey");
    QTest::addColumn<QString>("construct");
    QTest::newRow("C major keeps trailing blanks") << 3 << 0 << "C " << "C E G ";
    QTest::newRow("G#/Ab select all is the whole row") << 11 << 36 << "G#" << "G#A A#B C C#D D#E F F#G ";
    QTest::newRow("C thirteenth in formula order") << 3 << 6 << "C " << "G C F#A#D A E ";
    QTest::newRow("D#/Eb yields sharp names") << 6 << 0 << "D#" << "D#G A#";
    QTest::newRow("A minor") << 0 << 22 << "A " << "A C E ";
    QTest::newRow("B major eleventh, no third") << 2 << 10 << "B " << "B C#E F#A#";
}

void TestTheory::constructEdgeCases()
{
    QFETCH(int, key);
    QFETCH(int, chord);
    QFETCH(QString, expectedKey);
    QFETCH(QString, construct);
    ChordState state{Q(Keys[static_cast<std::size_t>(key)].noteRow),
                     Q(ChordTypes[static_cast<std::size_t>(chord)].formula)};
    const clsChord current(state);
    QCOMPARE(current.Key(), expectedKey);
    QCOMPARE(current.Construct(), construct);
    QCOMPARE(current.Construct().size(), 2 * static_cast<int>(ChordTypes[static_cast<std::size_t>(chord)].formula.size()));
}

void TestTheory::emptyStateGivesEmptyTexts()
{
    ChordState state;
    const clsChord chord(state);
    QCOMPARE(chord.Key(), QString());
    QCOMPARE(chord.Construct(), QString());
    state.CurrentFormula = QStringLiteral("158");
    QCOMPARE(chord.Construct(), QString()); // no key yet
    state.CurrentFormula.clear();
    state.CurrentNoteRow = Q(Keys[3].noteRow);
    QCOMPARE(chord.Key(), QStringLiteral("C "));
    QCOMPARE(chord.Construct(), QString()); // no formula yet
}

void TestTheory::keyAndFormulaAreIndependent()
{
    // clsChord reads the state afresh on every call: no stale cache.
    ChordState state{Q(Keys[3].noteRow), QStringLiteral("158")};
    const clsChord chord(state);
    QCOMPARE(chord.Construct(), QStringLiteral("C E G "));
    state.CurrentNoteRow = Q(Keys[5].noteRow);
    QCOMPARE(chord.Key(), QStringLiteral("D "));
    QCOMPARE(chord.Construct(), QStringLiteral("D F#A "));
    state.CurrentFormula = QStringLiteral("148");
    QCOMPARE(chord.Key(), QStringLiteral("D "));
    QCOMPARE(chord.Construct(), QStringLiteral("D F A "));
}

void TestTheory::badFormulaDigitIsTypeMismatch()
{
    ChordState state{Q(Keys[3].noteRow), QStringLiteral("1x8")};
    const clsChord chord(state);
    try {
        (void)chord.Construct();
        QFAIL("no error raised");
    } catch (const RuntimeError& e) {
        QCOMPARE(e.number(), std::int32_t(RuntimeError::TypeMismatch));
    }
}

void TestTheory::chordTextsAreUnique()
{
    // The selection handler keys on the text, the query on the index.
    for (int i = 0; i < ChordTypeCount; ++i)
        for (int j = i + 1; j < ChordTypeCount; ++j)
            QVERIFY(ChordTypes[static_cast<std::size_t>(i)].listText != ChordTypes[static_cast<std::size_t>(j)].listText);
    for (const ChordEntry& entry : ChordTypes) {
        QString seen;
        for (char digit : entry.formula) {
            QVERIFY2(FormulaDigitValue(digit) > 0, entry.listText.data());
            QVERIFY2(!seen.contains(QLatin1Char(digit)), entry.listText.data());
            seen += QLatin1Char(digit);
        }
    }
}

QTEST_APPLESS_MAIN(TestTheory)
#include "tst_theory.moc"
