// The chord query, the stepping through positions and the captions, driven
// through the real main window over small databases written by the tests.

#include "ChordDb.h"
#include "app/frmMain.h"
#include "library/ChordDiagram.h"
#include "library/DataSource.h"
#include "support/TestSupport.h"
#include "theory/ChordTables.h"
#include "ui/Fonts.h"
#include "ui/Shapes.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

constexpr int KeyA = 0, KeyASharp = 1, KeyC = 3, KeyCSharp = 4, KeyD = 5, KeyGSharp = 11;
constexpr int Major = 0, Sixth = 1, Seventh = 2, Thirteenth = 6, Minor = 22, MinorSeventh = 24, SelectAll = 36;

// A fingering that names its position: the mark in string 1, row 0, and the
// rest of row 0 blank.
QString Marked(QChar mark)
{
    return Fingering(QString(mark) + QStringLiteral("     "));
}

} // namespace

class TestChordQuery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sqlText_data();
    void sqlText();
    void sqlTextWithNoChordType();
    void enabledByRowCount_data();
    void enabledByRowCount();
    void steppingIsCircular_data();
    void steppingIsCircular();
    void equalFretsAreAllVisited();
    void fingeringFillsTheGrid_data();
    void fingeringFillsTheGrid();
    void fretConversion_data();
    void fretConversion();
    void nutLineFollowsTheFret();
    void captions_data();
    void captions();
    void chordWithoutPositions();
    void badDatabaseIsReportedPerQuery_data();
    void badDatabaseIsReportedPerQuery();
    void buttonsBeforeStartUp();
    void steppingAfterAFailedQueryShowsNothingOld();

private:
    // Writes Chords.mdb with rows into a fresh folder, then opens the window on it.
    void openWindow(const QVector<ChordRow>& rows);
    void select(int key, int chord);
    void click(int button);
    QLabel* label(const QString& name) const { return named<QLabel>(m_window.get(), name); }
    QToolButton* control(const QString& name) const { return named<QToolButton>(m_window.get(), name); }
    ChordDiagram* diagram() const;
    QString databasePath() const { return m_dir->filePath(QStringLiteral("Chords.mdb")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordingPresenter> m_recorder;
    std::unique_ptr<frmMain> m_window;
};

void TestChordQuery::initTestCase()
{
    LoadBundledFonts();
}

void TestChordQuery::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_recorder = std::make_unique<RecordingPresenter>();
}

void TestChordQuery::cleanup()
{
    m_window.reset();
    m_recorder.reset();
    m_dir.reset();
}

void TestChordQuery::openWindow(const QVector<ChordRow>& rows)
{
    QCOMPARE(WriteChordDb(databasePath(), rows), QString());
    m_window = std::make_unique<frmMain>(MainWindowParts{m_dir->path(), nullptr});
    m_window->Form_Load();
    QVERIFY2(m_recorder->messages.isEmpty(),
             qPrintable(m_recorder->messages.isEmpty() ? QString() : m_recorder->messages.first().text));
}

void TestChordQuery::select(int key, int chord)
{
    named<QComboBox>(m_window.get(), QStringLiteral("cboKey"))->setCurrentIndex(key);
    named<QComboBox>(m_window.get(), QStringLiteral("cboChord"))->setCurrentIndex(chord);
}

void TestChordQuery::click(int button)
{
    QTest::mouseClick(control(element(QStringLiteral("cmdNextPos"), button)), Qt::LeftButton);
}

ChordDiagram* TestChordQuery::diagram() const
{
    return m_window->findChild<ChordDiagram*>();
}

void TestChordQuery::sqlText_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("chord");
    QTest::addColumn<QString>("sql");
    QTest::newRow("natural key keeps its blank")
        << KeyC << Minor << "SELECT * FROM Chords WHERE [Key] = 'C ' AND [Name] = 22 ORDER BY [Fret];";
    QTest::newRow("sharp key, seventh")
        << KeyASharp << Seventh << "SELECT * FROM Chords WHERE [Key] = 'A#' AND [Name] = 2 ORDER BY [Fret];";
    QTest::newRow("last key, select all")
        << KeyGSharp << SelectAll << "SELECT * FROM Chords WHERE [Key] = 'G#' AND [Name] = 36 ORDER BY [Fret];";
    QTest::newRow("first entries")
        << KeyA << Major << "SELECT * FROM Chords WHERE [Key] = 'A ' AND [Name] = 0 ORDER BY [Fret];";
}

void TestChordQuery::sqlText()
{
    QFETCH(int, key);
    QFETCH(int, chord);
    QFETCH(QString, sql);
    openWindow({});
    select(key, chord);
    QCOMPARE(part<DataSource>(m_window.get())->RecordSource(), sql);
}

void TestChordQuery::sqlTextWithNoChordType()
{
    // A row for type -1 shows that the query with no selection really ran.
    openWindow({{QStringLiteral("D "), -1, 4, Marked(QLatin1Char('Q'))}});
    named<QComboBox>(m_window.get(), QStringLiteral("cboChord"))->setCurrentIndex(-1);
    named<QComboBox>(m_window.get(), QStringLiteral("cboKey"))->setCurrentIndex(5); // D
    QCOMPARE(part<DataSource>(m_window.get())->RecordSource(),
             QStringLiteral("SELECT * FROM Chords WHERE [Key] = 'D ' AND [Name] = -1 ORDER BY [Fret];"));
    QCOMPARE(diagramCell(m_window.get(), 1, 0)->text(), QStringLiteral("Q"));
    QCOMPARE(diagram()->position().fret, 4);
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestChordQuery::enabledByRowCount_data()
{
    QTest::addColumn<int>("rows");
    for (int n : {0, 1, 2, 3})
        QTest::addRow("%d rows", n) << n;
}

void TestChordQuery::enabledByRowCount()
{
    QFETCH(int, rows);
    // C minor gets the rows under test; its neighbours keep two rows each so
    // that every change of chord starts from enabled buttons.
    QVector<ChordRow> table;
    for (int i = 0; i < rows; ++i)
        table.append({QStringLiteral("C "), Minor, 2 * i + 1, Marked(QChar(u'a' + i))});
    const std::pair<QString, int> neighbours[] = {
        {QStringLiteral("C "), Major}, {QStringLiteral("C#"), Minor}, {QStringLiteral("C"), Minor}};
    for (const auto& [key, chord] : neighbours) {
        table.append({key, chord, 0, Marked(QLatin1Char('z'))});
        table.append({key, chord, 5, Marked(QLatin1Char('y'))});
    }
    openWindow(table);
    const QStringList names = {QStringLiteral("cmdNextPos(0)"), QStringLiteral("cmdNextPos(1)"),
                               QStringLiteral("chkStrum")};
    for (const QString& name : names)
        QVERIFY(control(name)->isEnabled());

    select(KeyC, Minor);
    QCOMPARE(part<DataSource>(m_window.get())->RecordCount(), rows);
    for (const QString& name : names)
        QCOMPARE(control(name)->isEnabled(), rows >= 2);
    // The lowest fret is shown first.
    QCOMPARE(diagramCell(m_window.get(), 1, 0)->text(), rows > 0 ? QStringLiteral("a") : QString());

    // Back to a chord with two positions: enabled again.
    select(KeyCSharp, Minor);
    for (const QString& name : names)
        QVERIFY(control(name)->isEnabled());
}

void TestChordQuery::steppingIsCircular_data()
{
    QTest::addColumn<QString>("clicks"); // N next, P previous
    QTest::addColumn<QList<int>>("shown");
    QTest::newRow("next wraps to the first") << "NNNN" << QList<int>{3, 5, 0, 3};
    QTest::newRow("previous wraps to the last") << "PP" << QList<int>{5, 3};
    QTest::newRow("back and forth") << "NPPN" << QList<int>{3, 0, 5, 0};
}

void TestChordQuery::steppingIsCircular()
{
    QFETCH(QString, clicks);
    QFETCH(QList<int>, shown);
    // Stored out of order; each position marks its fret in cell (1, 0).
    openWindow({{QStringLiteral("C "), Major, 5, Marked(QLatin1Char('5'))},
                {QStringLiteral("C "), Major, 0, Marked(QLatin1Char('0'))},
                {QStringLiteral("C "), Major, 3, Marked(QLatin1Char('3'))},
                {QStringLiteral("D "), Major, 1, Marked(QLatin1Char('1'))}});
    QCOMPARE(diagram()->position().fret, 0);
    QCOMPARE(diagramCell(m_window.get(), 1, 0)->text(), QStringLiteral("0"));
    for (qsizetype i = 0; i < clicks.size(); ++i) {
        click(clicks.at(i) == QLatin1Char('N') ? 0 : 1);
        QCOMPARE(diagram()->position().fret, shown.at(i));
        QCOMPARE(diagramCell(m_window.get(), 1, 0)->text(), QString::number(shown.at(i)));
        QCOMPARE(named<QLabel>(m_window.get(), QStringLiteral("lblDiaFret"))->text(), QStringLiteral("Fret %1").arg(shown.at(i)));
    }
    // Any other index moves nowhere but shows the current position again.
    const int before = diagram()->position().fret;
    m_window->cmdNextPos_Click(7);
    QCOMPARE(diagram()->position().fret, before);
    QCOMPARE(diagramCell(m_window.get(), 1, 0)->text(), QString::number(before));
}

void TestChordQuery::equalFretsAreAllVisited()
{
    openWindow({{QStringLiteral("C "), Major, 2, Marked(QLatin1Char('p'))},
                {QStringLiteral("C "), Major, 2, Marked(QLatin1Char('q'))},
                {QStringLiteral("C "), Major, 2, Marked(QLatin1Char('r'))}});
    QStringList seen{diagramCell(m_window.get(), 1, 0)->text()};
    for (int i = 0; i < 3; ++i) {
        click(0);
        seen << diagramCell(m_window.get(), 1, 0)->text();
        QCOMPARE(diagram()->position().fret, 2);
    }
    QCOMPARE(seen.first(), seen.last()); // back at the start after a full round
    seen.removeLast();
    seen.sort();
    QCOMPARE(seen, (QStringList{QStringLiteral("p"), QStringLiteral("q"), QStringLiteral("r")}));
}

void TestChordQuery::fingeringFillsTheGrid_data()
{
    QTest::addColumn<QVariant>("fingering");
    // Expected captions, one string of six cells per row for strings 1..6;
    // "-" stands for a cell with the empty text.
    QTest::addColumn<QStringList>("rows");
    const QString blankRow = QStringLiteral("      ");
    const QString emptyRow = QStringLiteral("------");

    QTest::newRow("X then 35 blanks") << QVariant(QStringLiteral("X") + QString(35, QLatin1Char(' ')))
                                      << QStringList{QStringLiteral("X     "), blankRow, blankRow, blankRow,
                                                     blankRow, blankRow};
    QTest::newRow("characters 7 to 12 are row 1")
        << QVariant(blankRow + QStringLiteral("123T4O") + QString(24, QLatin1Char(' ')))
        << QStringList{blankRow, QStringLiteral("123T4O"), blankRow, blankRow, blankRow, blankRow};
    QTest::newRow("a full chord")
        << QVariant(QStringLiteral("O  O X   1   2  3  ") + QString(17, QLatin1Char(' ')))
        << QStringList{QStringLiteral("O  O X"), QStringLiteral("   1  "), QStringLiteral(" 2  3 "),
                       QStringLiteral("      "), blankRow, blankRow};
    QTest::newRow("30 characters leave row 5 empty")
        << QVariant(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCD"))
        << QStringList{QStringLiteral("abcdef"), QStringLiteral("ghijkl"), QStringLiteral("mnopqr"),
                       QStringLiteral("stuvwx"), QStringLiteral("yzABCD"), emptyRow};
    QTest::newRow("a short text ends mid-row")
        << QVariant(QStringLiteral("12345678"))
        << QStringList{QStringLiteral("123456"), QStringLiteral("78----"), emptyRow, emptyRow, emptyRow, emptyRow};
    QTest::newRow("characters past 36 are ignored")
        << QVariant(QString(36, QLatin1Char('1')) + QStringLiteral("2222"))
        << QStringList(6, QStringLiteral("111111"));
    QTest::newRow("empty text") << QVariant(QString()) << QStringList(6, emptyRow);
    QTest::newRow("null") << QVariant() << QStringList(6, emptyRow);
}

void TestChordQuery::fingeringFillsTheGrid()
{
    QFETCH(QVariant, fingering);
    QFETCH(QStringList, rows);
    // The position under test is the second one, so the grid held another
    // fingering (all '#') before it is written.
    openWindow({{QStringLiteral("C "), Major, 1, QString(36, QLatin1Char('#'))},
                {QStringLiteral("C "), Major, 2, fingering}});
    click(0);
    QCOMPARE(diagram()->position().fret, 2);
    for (int row = 0; row < 6; ++row) {
        for (int string = 1; string <= 6; ++string) {
            const QChar want = rows.at(row).at(string - 1);
            const QString expected = want == QLatin1Char('-') ? QString() : QString(want);
            QLabel* cell = diagramCell(m_window.get(), string, row);
            QVERIFY2(cell->text() == expected,
                     qPrintable(QStringLiteral("%1: '%2'").arg(cell->objectName(), cell->text())));
            QCOMPARE(cell->objectName(), QStringLiteral("lblDiaStr%1(%2)").arg(string).arg(row));
        }
    }
    // String 1 is the rightmost column.
    QVERIFY(diagramCell(m_window.get(), 1, 2)->x() > diagramCell(m_window.get(), 2, 2)->x());
    QVERIFY(diagramCell(m_window.get(), 5, 2)->x() > diagramCell(m_window.get(), 6, 2)->x());
}

void TestChordQuery::fretConversion_data()
{
    QTest::addColumn<QVariant>("fret"); // the Fret of the one position of C sixth
    QTest::addColumn<int>("expected");  // PositionFret afterwards; 7 (C major's) if kept
    QTest::newRow("null keeps") << QVariant() << 7;
    QTest::newRow("text keeps") << QVariant(QStringLiteral("abc")) << 7;
    QTest::newRow("40000 keeps") << QVariant(40000) << 7;
    QTest::newRow("-32769 keeps") << QVariant(-32769) << 7;
    QTest::newRow("32767 is taken") << QVariant(32767) << 32767;
    QTest::newRow("-32768 is taken") << QVariant(-32768) << -32768;
    QTest::newRow("0 is taken") << QVariant(0) << 0;
    QTest::newRow("numeric text is taken") << QVariant(QStringLiteral("12")) << 12;
    QTest::newRow("a fraction rounds to even") << QVariant(2.5) << 2;
}

void TestChordQuery::fretConversion()
{
    QFETCH(QVariant, fret);
    QFETCH(int, expected);
    openWindow({{QStringLiteral("C "), Major, 7, Marked(QLatin1Char('m'))},
                {QStringLiteral("C "), Sixth, fret, Marked(QLatin1Char('s'))}});
    QCOMPARE(diagram()->position().fret, 7);
    named<QComboBox>(m_window.get(), QStringLiteral("cboChord"))->setCurrentIndex(Sixth);
    QCOMPARE(diagramCell(m_window.get(), 1, 0)->text(), QStringLiteral("s")); // the fingering is read all the same
    QCOMPARE(int(diagram()->position().fret), expected);
    QCOMPARE(named<QLabel>(m_window.get(), QStringLiteral("lblDiaFret"))->text(), QStringLiteral("Fret %1").arg(expected));
    QCOMPARE(named<QWidget>(m_window.get(), QStringLiteral("linStrum(7)"))->isVisibleTo(diagram()->frame()), expected == 0);
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestChordQuery::nutLineFollowsTheFret()
{
    openWindow({{QStringLiteral("C "), Major, 0, Marked(QLatin1Char('a'))},
                {QStringLiteral("C "), Major, 3, Marked(QLatin1Char('b'))},
                {QStringLiteral("C "), Minor, 0, Marked(QLatin1Char('c'))}});
    QWidget* frame = diagram()->frame();
    QWidget* lower = named<QWidget>(frame, QStringLiteral("linStrum(6)"));
    QVERIFY(named<QWidget>(m_window.get(), QStringLiteral("linStrum(7)"))->isVisibleTo(frame));
    click(0); // fret 3
    QVERIFY(!named<QWidget>(m_window.get(), QStringLiteral("linStrum(7)"))->isVisibleTo(frame));
    QVERIFY(lower->isVisibleTo(frame));
    click(0); // back to fret 0
    QVERIFY(named<QWidget>(m_window.get(), QStringLiteral("linStrum(7)"))->isVisibleTo(frame));
    click(1); // fret 3, then another chord at fret 0
    QVERIFY(!named<QWidget>(m_window.get(), QStringLiteral("linStrum(7)"))->isVisibleTo(frame));
    select(KeyC, Minor);
    QVERIFY(named<QWidget>(m_window.get(), QStringLiteral("linStrum(7)"))->isVisibleTo(frame));
    QVERIFY(lower->isVisibleTo(frame));
}

void TestChordQuery::captions_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("chord");
    QTest::addColumn<int>("fret");
    QTest::addColumn<QString>("chordPanel");
    QTest::addColumn<QString>("construction"); // the start of it
    QTest::addColumn<QString>("diagramChord");
    QTest::newRow("C major at the nut")
        << KeyC << Major << 0 << "Chord:C  pure" << "Chord construction:C  E  G  " << "C  pure";
    QTest::newRow("C#/Db minor seventh at fret 4")
        << KeyCSharp << MinorSeventh << 4 << "Chord:C# m7" << "Chord construction:C# E  G# B  " << "C# m7";
    QTest::newRow("A select all")
        << KeyA << SelectAll << 2 << "Chord:A  select all"
        << "Chord construction:A  A# B  C  C# D  D# E  F  F# G  G# " << "A  select all";
    QTest::newRow("C thirteenth in formula order")
        << KeyC << Thirteenth << 8 << "Chord:C  13" << "Chord construction:G  C  F# " << "C  13";
    QTest::newRow("negative fret")
        << KeyASharp << Seventh << -2 << "Chord:A# 7" << "Chord construction:A# D  F  G# " << "A# 7";
}

void TestChordQuery::captions()
{
    QFETCH(int, key);
    QFETCH(int, chord);
    QFETCH(int, fret);
    QFETCH(QString, chordPanel);
    QFETCH(QString, construction);
    QFETCH(QString, diagramChord);
    const QString keyName = QString::fromLatin1(Keys[std::size_t(key)].noteRow.substr(0, 2));
    openWindow({{keyName, chord, fret, Marked(QLatin1Char('x'))}});
    select(key, chord);

    QCOMPARE(label(QStringLiteral("lblPanel(0)"))->text(), chordPanel);
    const QString panel1 = label(QStringLiteral("lblPanel(1)"))->text();
    QVERIFY2(panel1.startsWith(construction), qPrintable(panel1));
    if (chord != Thirteenth)
        QCOMPARE(panel1, construction);
    QCOMPARE(label(QStringLiteral("lblDiaFret"))->text(), QStringLiteral("Fret %1").arg(fret));
    QCOMPARE(label(QStringLiteral("lblDiaChord"))->text(), diagramChord);
    // The instrument panel is not touched.
    QCOMPARE(label(QStringLiteral("lblPanel(2)"))->text(), QStringLiteral("Acoustic Guitar (Nylon Strings)"));
    // Labels that fit their caption grew to show it all; a status panel stops
    // short of the next one and then shows its caption whole as its tooltip.
    for (const QString& name : {QStringLiteral("lblPanel(0)"), QStringLiteral("lblPanel(1)"),
                                QStringLiteral("lblDiaFret")}) {
        QLabel* fitted = label(name);
        const bool whole = fitted->width() >= fitted->fontMetrics().horizontalAdvance(fitted->text());
        QVERIFY2(whole || fitted->toolTip() == fitted->text(), qPrintable(name));
    }
    QVERIFY(label(QStringLiteral("lblPanel(1)"))->geometry().right() < label(QStringLiteral("lblPanel(2)"))->x());
}

void TestChordQuery::chordWithoutPositions()
{
    openWindow({{QStringLiteral("C "), Major, 5, Fingering(QStringLiteral("X   O "), QStringLiteral(" 1 2 3"))},
                {QStringLiteral("C "), Major, 9, Marked(QLatin1Char('n'))}});
    QCOMPARE(diagram()->position().fret, 5);
    named<QComboBox>(m_window.get(), QStringLiteral("cboChord"))->setCurrentIndex(Minor);

    for (int row = 0; row < 6; ++row)
        for (int string = 1; string <= 6; ++string)
            QCOMPARE(diagramCell(m_window.get(), string, row)->text(), QString());
    QCOMPARE(diagram()->position().fret, 5);
    QCOMPARE(label(QStringLiteral("lblDiaFret"))->text(), QStringLiteral("Fret 5"));
    QVERIFY(!named<QWidget>(m_window.get(), QStringLiteral("linStrum(7)"))->isVisibleTo(diagram()->frame()));
    QCOMPARE(label(QStringLiteral("lblDiaChord"))->text(), QStringLiteral("C  m"));
    QCOMPARE(label(QStringLiteral("lblPanel(0)"))->text(), QStringLiteral("Chord:C  m"));
    QCOMPARE(label(QStringLiteral("lblPanel(1)"))->text(), QStringLiteral("Chord construction:C  D# G  "));
    for (const char* name : {"cmdNextPos(0)", "cmdNextPos(1)", "chkStrum"})
        QVERIFY(!control(QString::fromLatin1(name))->isEnabled());
    // Calling the button handler on the empty result changes nothing and reports nothing.
    m_window->cmdNextPos_Click(0);
    m_window->cmdNextPos_Click(1);
    QCOMPARE(diagram()->position().fret, 5);
    QCOMPARE(diagramCell(m_window.get(), 1, 0)->text(), QString());
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestChordQuery::badDatabaseIsReportedPerQuery_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("empty") << "empty";
    QTest::newRow("garbage") << "garbage";
    QTest::newRow("wrong schema") << "schema";
}

void TestChordQuery::badDatabaseIsReportedPerQuery()
{
    QFETCH(QString, kind);
    const QString file = databasePath();
    if (kind == QLatin1String("empty") || kind == QLatin1String("garbage")) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (kind == QLatin1String("garbage"))
            f.write(QByteArray("This is not a chord database.\n").repeated(100));
    } else if (kind == QLatin1String("schema")) {
        QCOMPARE(WriteChordDb(file, {}, QStringLiteral("CREATE TABLE Chords ([Key] TEXT, [Name] INTEGER)")),
                 QString());
    }
    const QByteArray before = FileHash(file);

    m_window = std::make_unique<frmMain>(MainWindowParts{m_dir->path(), nullptr});
    m_window->Form_Load();
    // Start-up selects a key and a chord type: three queries, three reports.
    QCOMPARE(m_recorder->messages.size(), 3);
    for (const ShownMessage& message : std::as_const(m_recorder->messages)) {
        QCOMPARE(message.icon, MessageIcon::Critical);
        QCOMPARE(message.title, QStringLiteral("Lyrovan - Error"));
        QVERIFY2(message.text.startsWith(QStringLiteral("Error Number:3049\r\n")), qPrintable(message.text));
        QVERIFY2(message.text.contains(file), qPrintable(message.text));
    }
    const QStringList names = {QStringLiteral("cmdNextPos(0)"), QStringLiteral("cmdNextPos(1)"),
                               QStringLiteral("chkStrum")};
    for (const QString& name : names)
        QVERIFY(control(name)->isEnabled());
    // The failed queries showed nothing: the captions and cells are as built.
    QCOMPARE(label(QStringLiteral("lblPanel(0)"))->text(), QStringLiteral("Chord:"));
    QCOMPARE(label(QStringLiteral("lblDiaFret"))->text(), QStringLiteral("Fret 0"));
    QCOMPARE(label(QStringLiteral("lblDiaChord"))->text(), QString());
    QCOMPARE(diagramCell(m_window.get(), 3, 2)->text(), QStringLiteral(" "));

    // The window stays usable: a key change updates the chord and reports once more.
    named<QComboBox>(m_window.get(), QStringLiteral("cboKey"))->setCurrentIndex(KeyGSharp);
    QCOMPARE(m_window->CurrentChord()->Key(), QStringLiteral("G#"));
    QCOMPARE(m_recorder->messages.size(), 4);
    for (const QString& name : names)
        QVERIFY(control(name)->isEnabled());
    // The buttons work and report nothing; the grid keeps no stale rows.
    click(0);
    click(1);
    QCOMPARE(m_recorder->messages.size(), 4);
    QCOMPARE(diagram()->position().fret, 0);

    m_window.reset();
    QCOMPARE(FileHash(file), before);
    QCOMPARE(QFile::exists(file), kind != QLatin1String("missing"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(),
             kind == QLatin1String("missing") ? 0 : 1);
}

void TestChordQuery::buttonsBeforeStartUp()
{
    // No query has run and no chord exists yet: every step fails silently.
    QCOMPARE(WriteChordDb(databasePath(), {{QStringLiteral("C "), Major, 3, Marked(QLatin1Char('a'))}}), QString());
    m_window = std::make_unique<frmMain>(MainWindowParts{m_dir->path(), nullptr});
    click(0);
    m_window->cmdNextPos_Click(2);
    QVERIFY(m_recorder->messages.isEmpty());
    QCOMPARE(diagram()->position().fret, 0);
    QCOMPARE(diagramCell(m_window.get(), 1, 0)->text(), QString());
    QCOMPARE(label(QStringLiteral("lblDiaFret"))->text(), QStringLiteral("Fret 0"));
    QCOMPARE(label(QStringLiteral("lblPanel(0)"))->text(), QStringLiteral("Chord:"));
}

void TestChordQuery::steppingAfterAFailedQueryShowsNothingOld()
{
    // The rows of D cannot be read: the database raises an error for them.
    QCOMPARE(WriteChordDb(databasePath(), {{QStringLiteral("C "), Major, 3, Marked(QLatin1Char('a'))},
                                           {QStringLiteral("C "), Major, 5, Marked(QLatin1Char('b'))},
                                           {QStringLiteral("D "), Major, 2, Marked(QLatin1Char('d'))}}),
             QString());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("view"));
        db.setDatabaseName(databasePath());
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("ALTER TABLE Chords RENAME TO Stored")));
        QVERIFY(query.exec(QStringLiteral(
            "CREATE VIEW Chords AS SELECT [Key], [Name], [Fingering], CASE WHEN [Key] = 'D ' "
            "THEN abs(CAST('-9223372036854775808' AS INTEGER)) ELSE [Fret] END AS [Fret] FROM Stored")));
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("view"));
    m_window = std::make_unique<frmMain>(MainWindowParts{m_dir->path(), nullptr});
    m_window->Form_Load();
    QVERIFY(m_recorder->messages.isEmpty());
    QCOMPARE(diagramCell(m_window.get(), 1, 0)->text(), QStringLiteral("a"));

    select(KeyD, Major);
    QCOMPARE(m_recorder->messages.size(), 1);
    // What the failed query leaves: the buttons enabled, the diagram as it was.
    QVERIFY(control(QStringLiteral("cmdNextPos(0)"))->isEnabled());
    QCOMPARE(diagramCell(m_window.get(), 1, 0)->text(), QStringLiteral("a"));
    for (int button : {0, 1}) {
        click(button);
        QVERIFY(diagramCell(m_window.get(), 1, 0)->text().trimmed().isEmpty());
        QCOMPARE(diagram()->position().fret, 3);
        QVERIFY2(label(QStringLiteral("lblDiaChord"))->text().startsWith(QLatin1Char('D')),
                 qPrintable(label(QStringLiteral("lblDiaChord"))->text()));
    }
    QCOMPARE(m_recorder->messages.size(), 1);

    select(KeyC, Major); // a query that succeeds shows its rows again
    QCOMPARE(diagramCell(m_window.get(), 1, 0)->text(), QStringLiteral("a"));
    click(0);
    QCOMPARE(diagramCell(m_window.get(), 1, 0)->text(), QStringLiteral("b"));
}

QTEST_MAIN(TestChordQuery)
#include "tst_chordquery.moc"
