// The Tuning menu in the real window: the neck's markers and the strum's
// notes follow the open strings of the tuning chosen, and --tuning reads
// names and notes. Expected values come from the open strings written down
// in each row, not from the program's tables.

#include "app/frmMain.h"
#include "library/ChordDiagram.h"
#include "support/TestSupport.h"
#include "theory/ChordTables.h"
#include "theory/TuningTexts.h"
#include "ui/Fonts.h"

#include <QAction>
#include <QComboBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <memory>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

// The open strings of a row, lowest first.
QList<int> OpenNotes(const QString& notes)
{
    QList<int> open;
    for (const QString& name : notes.split(QLatin1Char(' ')))
        open << MidiNote(name);
    return open;
}

QSet<int> ChordPitches(int key, int type)
{
    return ChordPitchClasses(PitchClassOf(Keys[key].noteRow.substr(0, 2)), type);
}

std::uint32_t NoteOn(int note) { return std::uint32_t(0x90 + note * 256 + 127 * 65536); }

} // namespace

class TestTuning : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void markersFollowTheTuning_data();
    void markersFollowTheTuning();
    void strumPlaysTheTuning_data();
    void strumPlaysTheTuning();
    void tuningFromText_data();
    void tuningFromText();
    void leftHandedMirrors_data();
    void leftHandedMirrors();
    void customTuningStaysOnTheMenu_data();
    void customTuningStaysOnTheMenu();

private:
    // Chooses the instrument, the tuning entry, the key and the chord type.
    void choose(int instrument, const QString& entry, int key, int type);

    QTemporaryDir m_folder;
    std::unique_ptr<RecordingPresenter> m_recorder;
    std::unique_ptr<RecordingMidiOut> m_midi;
    std::unique_ptr<frmMain> m_window;
};

void TestTuning::initTestCase()
{
    LoadBundledFonts();
    QVERIFY(m_folder.isValid());
}

void TestTuning::init()
{
    m_recorder = std::make_unique<RecordingPresenter>();
    m_midi = std::make_unique<RecordingMidiOut>();
    m_window = std::make_unique<frmMain>(MainWindowParts{m_folder.path(), m_midi.get()});
    m_window->Form_Load();
}

void TestTuning::cleanup()
{
    m_window.reset();
    m_midi.reset();
    m_recorder.reset();
}

void TestTuning::choose(int instrument, const QString& entry, int key, int type)
{
    named<QAction>(m_window.get(), element(QStringLiteral("mnuInst"), instrument))->trigger();
    auto* item = named<QAction>(m_window.get(), entry);
    QVERIFY(item->isVisible());
    item->trigger();
    QVERIFY(item->isChecked());
    named<QComboBox>(m_window.get(), QStringLiteral("cboKey"))->setCurrentIndex(key);
    named<QComboBox>(m_window.get(), QStringLiteral("cboChord"))->setCurrentIndex(type);
}

void TestTuning::markersFollowTheTuning_data()
{
    QTest::addColumn<int>("instrument");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("notes"); // the neck's six strings, lowest first
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("type");
    QTest::newRow("DADGAD, D major") << 1 << "mnuTuningItem(3)" << "D2 A2 D3 G3 A3 D4" << 5 << 0;
    QTest::newRow("open G, G seventh") << 1 << "mnuTuningItem(4)" << "D2 G2 D3 G3 B3 D4" << 10 << 2;
    QTest::newRow("open C, A minor") << 1 << "mnuTuningItem(7)" << "C2 G2 C3 G3 C4 E4" << 0 << 22;
    QTest::newRow("half step down, E major scale") << 1 << "mnuTuningItem(8)" << "Eb2 Ab2 Db3 Gb3 Bb3 Eb4" << 7 << 32;
    QTest::newRow("bass drop C, F minor pentatonic") << 12 << "mnuBassTuningItem(4)" << "C2 G2 C3 F3 A3 D4" << 8 << 35;
    QTest::newRow("standard again, C major") << 1 << "mnuTuningItem(0)" << "E2 A2 D3 G3 B3 E4" << 3 << 0;
}

void TestTuning::markersFollowTheTuning()
{
    QFETCH(int, instrument);
    QFETCH(QString, entry);
    QFETCH(QString, notes);
    QFETCH(int, key);
    QFETCH(int, type);
    // Another tuning and chord first.
    choose(instrument, instrument > 9 ? QStringLiteral("mnuBassTuningItem(2)") : QStringLiteral("mnuTuningItem(6)"), 1, 1);
    choose(instrument, entry, key, type);

    const QList<int> open = OpenNotes(notes);
    const QSet<int> chord = ChordPitches(key, type);
    const int root = PitchClassOf(Keys[key].noteRow.substr(0, 2));
    for (int string = 1; string <= 6; ++string) {
        for (int fret = 0; fret < 22; ++fret) {
            const int pitch = (open.at(6 - string) + fret) % 12;
            auto* marker = named<QLabel>(m_window.get(), QStringLiteral("lbl%1(%2)").arg(string).arg(fret));
            QCOMPARE(marker->text(), QLatin1String(NoteNames[pitch].data(), 2));
            QVERIFY2(marker->isHidden() != chord.contains(pitch), qPrintable(marker->objectName()));
            QCOMPARE(marker->palette().color(QPalette::Window) == QColor(255, 0, 0), pitch == root);
        }
    }
}

void TestTuning::strumPlaysTheTuning_data()
{
    QTest::addColumn<int>("instrument");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("notes"); // the strings as they sound, lowest first
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("type");
    QTest::newRow("DADGAD, D major") << 1 << "mnuTuningItem(3)" << "D2 A2 D3 G3 A3 D4" << 5 << 0;
    QTest::newRow("open G, G major") << 1 << "mnuTuningItem(4)" << "D2 G2 D3 G3 B3 D4" << 10 << 0;
    QTest::newRow("drop D, D minor seventh") << 1 << "mnuTuningItem(1)" << "D2 A2 D3 G3 B3 E4" << 5 << 24;
    QTest::newRow("open E, A seventh") << 1 << "mnuTuningItem(6)" << "E2 B2 E3 G#3 B3 E4" << 0 << 2;
    QTest::newRow("bass whole step down, C major") << 10 << "mnuBassTuningItem(3)" << "D1 G1 C2 F2" << 3 << 0;
}

void TestTuning::strumPlaysTheTuning()
{
    QFETCH(int, instrument);
    QFETCH(QString, entry);
    QFETCH(QString, notes);
    QFETCH(int, key);
    QFETCH(int, type);
    choose(instrument, entry, key, type);
    const QList<int> open = OpenNotes(notes);
    const QSet<int> chord = ChordPitches(key, type);

    // Each string of the diagram shown, played from its open note: the
    // deepest marked cell, or open, or nothing where an X is.
    const ChordPosition shown = part<ChordDiagram>(m_window.get())->position();
    QVERIFY(shown.stored);
    QList<std::uint32_t> expected;
    for (int string = 6; string > 6 - open.size(); --string) {
        int fret = 0;
        bool muted = false;
        for (int row = 0; row < 6; ++row) {
            const QString cell = diagramCell(m_window.get(), string, row)->text();
            muted = muted || cell == QStringLiteral("X");
            if (cell != QStringLiteral(" ") && cell != QStringLiteral("X") && cell != QStringLiteral("O"))
                fret = shown.fret + row;
        }
        if (muted)
            continue;
        const int note = open.at(6 - string) + fret;
        QVERIFY2(chord.contains(note % 12), qPrintable(QStringLiteral("string %1").arg(string)));
        expected << NoteOn(note);
    }
    QVERIFY(!expected.isEmpty());

    named<QToolButton>(m_window.get(), QStringLiteral("chkStrum"))->click();
    m_midi->clear();
    for (int tick = 0; tick < open.size(); ++tick)
        m_window->tmrStrum_Timer();
    QCOMPARE(m_midi->messages(), expected);
}

void TestTuning::tuningFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("guitar"); // notes lowest first, "" for none
    QTest::addColumn<QString>("bass");   // as the bass sounds, "" for none
    QTest::newRow("name, any case") << "dadgad" << "D2 A2 D3 G3 A3 D4" << "";
    QTest::newRow("name with a hyphen") << "open-g" << "D2 G2 D3 G3 B3 D4" << "";
    QTest::newRow("a name of both families") << "Drop C" << "C2 G2 C3 F3 A3 D4" << "C1 G1 C2 F2";
    QTest::newRow("six notes") << "C2,G2,D3,G3,A3,D4" << "C2 G2 D3 G3 A3 D4" << "";
    QTest::newRow("four notes, flats") << "Eb1,Ab1,Db2,Gb2" << "" << "Eb1 Ab1 Db2 Gb2";
    QTest::newRow("unknown name") << "Open Q" << "" << "";
    QTest::newRow("five notes") << "E2,A2,D3,G3,B3" << "" << "";
    QTest::newRow("no octave") << "E,A,D,G,B,E" << "" << "";
    QTest::newRow("out of range") << "E9,A2,D3,G3,B3,E4" << "" << "";
}

void TestTuning::tuningFromText()
{
    QFETCH(QString, text);
    QFETCH(QString, guitar);
    QFETCH(QString, bass);
    QString error;
    const std::optional<TuningRequest> request = ParseTuning(text, &error);
    QCOMPARE(request.has_value(), !guitar.isEmpty() || !bass.isEmpty());
    QCOMPARE(error.isEmpty(), request.has_value());
    if (!request)
        return;
    QCOMPARE(request->guitar.has_value(), !guitar.isEmpty());
    QCOMPARE(request->bass.has_value(), !bass.isEmpty());
    if (request->guitar) {
        const QList<int> open = OpenNotes(guitar);
        for (int string = 1; string <= 6; ++string)
            QCOMPARE(request->guitar->openNote(string), open.at(6 - string));
    }
    if (request->bass) {
        // Strings 6..3 an octave above the bass's sound.
        const QList<int> open = OpenNotes(bass);
        for (int string = 3; string <= 6; ++string)
            QCOMPARE(request->bass->openNote(string), open.at(6 - string) + 12);
    }
}

void TestTuning::leftHandedMirrors_data()
{
    // A control of the neck's strip or of the diagram's grid, mirrored
    // across the middle of the strip or of the grid's string lines.
    QTest::addColumn<QString>("name");
    QTest::newRow("marker at the nut, string 6") << "lbl6(0)";
    QTest::newRow("marker, string 1 fret 12") << "lbl1(12)";
    QTest::newRow("marker, string 3 fret 21") << "lbl3(21)";
    QTest::newRow("fret number 5") << "lblFret(5)";
    QTest::newRow("neck picture") << "imgNeck";
    QTest::newRow("diagram mark, string 6 above the nut") << "lblDiaStr6(0)";
    QTest::newRow("diagram mark, string 2 row 3") << "lblDiaStr2(3)";
    QTest::newRow("string 1's line") << "linStrum(0)";
    QTest::newRow("bass area") << "shpBass";
}

void TestTuning::leftHandedMirrors()
{
    QFETCH(QString, name);
    // G major in open G: marks on both sides of the diagram.
    choose(1, QStringLiteral("mnuTuningItem(4)"), 10, 0);
    auto* widget = named<QWidget>(m_window.get(), name);
    const bool inNeck = widget->parentWidget()->objectName() == QStringLiteral("picNeckInner");
    // Four times the axis, to stay in whole pixels.
    const auto axisTimesFour = [&] {
        if (inNeck)
            return widget->parentWidget()->width() * 2;
        const QRect first = named<QWidget>(m_window.get(), QStringLiteral("linStrum(0)"))->geometry();
        const QRect last = named<QWidget>(m_window.get(), QStringLiteral("linStrum(5)"))->geometry();
        return first.left() + first.right() + 1 + last.left() + last.right() + 1;
    };
    const int axis4 = axisTimesFour();
    const QRect right = widget->geometry();
    auto* viewport = named<QWidget>(m_window.get(), QStringLiteral("picNeckOuter"));
    auto* nut = named<QWidget>(m_window.get(), QStringLiteral("lbl6(0)"));
    QVERIFY(nut->mapTo(viewport, QPoint()).x() < viewport->width() / 2);

    auto* menu = named<QAction>(m_window.get(), QStringLiteral("mnuLeftHanded"));
    menu->trigger();
    QVERIFY(menu->isChecked());
    const QRect left = widget->geometry();
    QCOMPARE(left.top(), right.top());
    QCOMPARE(left.size(), right.size());
    // Centre to centre, within a pixel of rounding twips.
    const int mirroredCentreTimesTwo = axis4 - (right.left() * 2 + right.width());
    QVERIFY2(qAbs(left.left() * 2 + left.width() - mirroredCentreTimesTwo) <= 2,
             qPrintable(QStringLiteral("%1 at %2, right-handed at %3").arg(name).arg(left.left()).arg(right.left())));
    // The nut is on the right of the viewport, and the diagram's fingering is the same.
    QVERIFY(nut->mapTo(viewport, QPoint()).x() > viewport->width() / 2);
    QVERIFY(part<ChordDiagram>(m_window.get())->position().stored);

    menu->trigger();
    QCOMPARE(widget->geometry(), right);
}

void TestTuning::customTuningStaysOnTheMenu_data()
{
    QTest::addColumn<int>("instrument");
    QTest::addColumn<QString>("given");   // --tuning
    QTest::addColumn<QString>("caption"); // the Custom entry's, "" where it has none
    QTest::addColumn<QString>("listed");  // another entry of the family
    QTest::addColumn<int>("otherInstrument"); // of the other family
    QTest::newRow("guitar, six notes") << 1 << "C2,G2,D3,G3,A3,D4" << "Custom (C G D G A D)" << "mnuTuningItem(0)" << 10;
    QTest::newRow("bass, four notes") << 10 << "B0,E1,A1,D2" << "Custom (B E A D)" << "mnuBassTuningItem(2)" << 1;
    QTest::newRow("a listed tuning's notes") << 1 << "D2,G2,D3,G3,B3,D4" << "" << "mnuTuningItem(0)" << 10;
}

void TestTuning::customTuningStaysOnTheMenu()
{
    QFETCH(int, instrument);
    QFETCH(QString, given);
    QFETCH(QString, caption);
    QFETCH(QString, listed);
    QFETCH(int, otherInstrument);
    QString error;
    const std::optional<TuningRequest> request = ParseTuning(given, &error);
    QVERIFY2(request, qPrintable(error));
    m_window = std::make_unique<frmMain>(MainWindowParts{m_folder.path(), m_midi.get(), {}, *request});
    m_window->Form_Load();
    named<QAction>(m_window.get(), element(QStringLiteral("mnuInst"), instrument))->trigger();

    auto* custom = named<QAction>(m_window.get(), QStringLiteral("mnuTuningCustom"));
    auto* other = named<QAction>(m_window.get(), listed);
    auto* lowString = named<QLabel>(m_window.get(), QStringLiteral("lbl6(0)"));
    const QString givenLow = QLatin1String(NoteNames[MidiNote(given.section(QLatin1Char(','), 0, 0)) % 12].data(), 2);
    QCOMPARE(lowString->text(), givenLow);
    QCOMPARE(custom->isVisible(), !caption.isEmpty());
    if (caption.isEmpty())
        return;
    QVERIFY(custom->isChecked());
    QCOMPARE(custom->text(), caption);
    QVERIFY(m_window->windowTitle().endsWith(caption.mid(8, caption.size() - 9)));

    // Another tuning, and back: the given one is not lost.
    other->trigger();
    QVERIFY(other->isChecked());
    QVERIFY(custom->isVisible());
    QVERIFY(!custom->isChecked());
    QVERIFY(lowString->text() != givenLow);
    custom->trigger();
    QVERIFY(custom->isChecked());
    QVERIFY(!other->isChecked());
    QCOMPARE(lowString->text(), givenLow);

    // The other family has its own tuning and no Custom entry.
    named<QAction>(m_window.get(), element(QStringLiteral("mnuInst"), otherInstrument))->trigger();
    QVERIFY(!custom->isVisible());
}

QTEST_MAIN(TestTuning)
#include "tst_tuning.moc"
