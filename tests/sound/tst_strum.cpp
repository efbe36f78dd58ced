// The strum wired into the window, with a recording MIDI output: the toggle,
// the diagram's positions, the instrument menu, the bars and the chord lists
// reach the strum; closing the window ends it. (The strum's own rules are
// tested without a window in tst_strummer.)

#include "app/frmMain.h"
#include "library/ChordDb.h"
#include "library/ChordDiagram.h"
#include "sound/Strummer.h"
#include "support/TestSupport.h"
#include "ui/Fonts.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <memory>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

std::uint32_t NoteOn(int note, int velocity = 127)
{
    return std::uint32_t(0x90 + note * 256 + velocity * 65536);
}

constexpr std::uint32_t Program(int program)
{
    return std::uint32_t(0xC0 + program * 256);
}

} // namespace

class TestStrum : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void plainGuitarStrum();
    void arrowClicksOnTheBarsTakeEffect_data();
    void arrowClicksOnTheBarsTakeEffect();
    void chordWithoutPositionMidStrum_data();
    void chordWithoutPositionMidStrum();
    void singlePositionCannotStrum();
    void closingDuringTheHoldIsSafe();
    void unloadClosesTheDevice();
    void instrumentMenuMarksAndShades_data();
    void instrumentMenuMarksAndShades();

private:
    void strum() { named<QToolButton>(m_window.get(), QStringLiteral("chkStrum"))->click(); }
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            m_window->tmrStrum_Timer();
    }
    QToolButton* toggle() { return named<QToolButton>(m_window.get(), QStringLiteral("chkStrum")); }
    QTimer* timer() { return named<QTimer>(m_window.get(), QStringLiteral("tmrStrum")); }
    Strummer* strummer() { return part<Strummer>(m_window.get()); }
    void makeWindow(std::int32_t openResult);

    QTemporaryDir m_folder;
    std::unique_ptr<RecordingPresenter> m_recorder;
    std::unique_ptr<RecordingMidiOut> m_midi;
    std::unique_ptr<frmMain> m_window;
};

void TestStrum::initTestCase()
{
    LoadBundledFonts();
    QVERIFY(m_folder.isValid());
    // C major: open C (x32010) at fret 0 and a second position at fret 5.
    // C minor: one position only.
    const QVector<ChordRow> rows = {
        {QStringLiteral("C "), 0, 0, Fingering("O O  X", " 1    ", "   2  ", "    3 ")},
        {QStringLiteral("C "), 0, 5, Fingering("      ", "1    1", "   2  ", "  X  3")},
        {QStringLiteral("C "), 22, 3, Fingering("X    X", "1    X")},
    };
    QCOMPARE(WriteChordDb(m_folder.filePath(QStringLiteral("Chords.mdb")), rows), QString());
}

void TestStrum::makeWindow(std::int32_t openResult)
{
    m_window.reset();
    m_midi = std::make_unique<RecordingMidiOut>(openResult);
    m_window = std::make_unique<frmMain>(MainWindowParts{m_folder.path(), m_midi.get()});
    m_window->Form_Load();
    QVERIFY(m_recorder->messages.isEmpty());
    QVERIFY(m_midi->calls.isEmpty());
}

void TestStrum::init()
{
    m_recorder = std::make_unique<RecordingPresenter>();
    makeWindow(0);
}

void TestStrum::cleanup()
{
    m_window.reset();
    m_midi.reset();
    m_recorder.reset();
}

void TestStrum::plainGuitarStrum()
{
    strum();
    QCOMPARE(toggle()->text(), QStringLiteral("&Stop"));
    QVERIFY(timer()->isActive());
    QCOMPARE(m_midi->calls, (QStringList{QStringLiteral("open -1"), QStringLiteral("msg 0x0018c0")}));
    ticks(6);
    // String 6 is muted; then C3 E3 G3 C4 E4.
    QCOMPARE(m_midi->messages(), (QList<std::uint32_t>{Program(24), NoteOn(48), NoteOn(52), NoteOn(55), NoteOn(60),
                                                       NoteOn(64)}));
    QCOMPARE(strummer()->StrumStep(), 6);
    ticks(1); // the end step, with its one-second hold
    QCOMPARE(strummer()->StrumStep(), 0);
    QVERIFY(!timer()->isActive());
    QVERIFY(!toggle()->isChecked());
    QCOMPARE(toggle()->text(), QStringLiteral("&Strum"));
    QCOMPARE(m_midi->calls.last(), QStringLiteral("close"));
    QCOMPARE(m_midi->calls.count(QStringLiteral("close")), 1);
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestStrum::arrowClicksOnTheBarsTakeEffect_data()
{
    QTest::addColumn<int>("bar");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("velocity");
    QTest::addColumn<int>("interval");
    QTest::newRow("volume arrow left") << 0 << int(QAbstractSlider::SliderSingleStepSub) << 126 << 100;
    QTest::newRow("volume trough left") << 0 << int(QAbstractSlider::SliderPageStepSub) << 117 << 100;
    QTest::newRow("speed arrow right") << 1 << int(QAbstractSlider::SliderSingleStepAdd) << 127 << 201 - 164;
    QTest::newRow("speed trough left") << 1 << int(QAbstractSlider::SliderPageStepSub) << 127 << 201 - 122;
    QTest::newRow("speed to the right end") << 1 << int(QAbstractSlider::SliderToMaximum) << 127 << 1;
    QTest::newRow("volume to the left end") << 0 << int(QAbstractSlider::SliderToMinimum) << 10 << 100;
}

void TestStrum::arrowClicksOnTheBarsTakeEffect()
{
    QFETCH(int, bar);
    QFETCH(int, action);
    QFETCH(int, velocity);
    QFETCH(int, interval);
    QCOMPARE(timer()->interval(), 100); // the bar's 160 takes effect only once it moves
    named<QScrollBar>(m_window.get(), element(QStringLiteral("Slider"), bar))
        ->triggerAction(QAbstractSlider::SliderAction(action));
    QCOMPARE(strummer()->NoteVelocity(), velocity);
    QCOMPARE(timer()->interval(), interval);
}

void TestStrum::chordWithoutPositionMidStrum_data()
{
    QTest::addColumn<int>("chordType");
    QTest::addColumn<QList<std::uint32_t>>("notesAfter");
    // No stored position: the diagram is empty and the strings still to
    // come are silent.
    QTest::newRow("no stored position") << 1 << QList<std::uint32_t>{};
    // One stored position is shown and played, though it cannot be strummed anew.
    QTest::newRow("one stored position") << 22 << QList<std::uint32_t>{NoteOn(50), NoteOn(55), NoteOn(59)};
}

void TestStrum::chordWithoutPositionMidStrum()
{
    QFETCH(int, chordType);
    QFETCH(QList<std::uint32_t>, notesAfter);
    strum();
    ticks(2);
    const qsizetype before = m_midi->messages().size();
    named<QComboBox>(m_window.get(), QStringLiteral("cboChord"))->setCurrentIndex(chordType);
    ticks(4);
    QCOMPARE(m_midi->messages().mid(before), notesAfter);
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestStrum::singlePositionCannotStrum()
{
    named<QComboBox>(m_window.get(), QStringLiteral("cboChord"))->setCurrentIndex(22); // C minor: one row
    QVERIFY(!toggle()->isEnabled());
    toggle()->setChecked(true); // even when checked by other means nothing opens
    QCOMPARE(toggle()->text(), QStringLiteral("&Stop"));
    QVERIFY(m_midi->calls.isEmpty());
    QVERIFY(!timer()->isActive());
}

void TestStrum::closingDuringTheHoldIsSafe()
{
    strum();
    ticks(6);
    QTimer::singleShot(100, this, [this] { m_window->close(); });
    ticks(1);
    QVERIFY(!m_window->isVisible()); // not brought back
    QVERIFY(!m_midi->isOpen);
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestStrum::unloadClosesTheDevice()
{
    strum();
    ticks(2);
    m_window->close();
    QCOMPARE(m_midi->calls.last(), QStringLiteral("close"));
    QVERIFY(!timer()->isActive()); // no further step runs
    // Closing without ever strumming closes nothing that is open and says nothing.
    makeWindow(0);
    m_window->close();
    QCOMPARE(m_midi->calls, QStringList{QStringLiteral("close")});
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestStrum::instrumentMenuMarksAndShades_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("program");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("bass");
    QTest::newRow("nylon") << 1 << 24 << "Acoustic Guitar (Nylon Strings)" << false;
    QTest::newRow("harmonics") << 8 << 31 << "Guitar Harmonics" << false;
    QTest::newRow("acoustic bass") << 10 << 32 << "Acoustic Bass" << true;
    QTest::newRow("synth bass 2") << 17 << 39 << "Synth Bass 2" << true;
}

void TestStrum::instrumentMenuMarksAndShades()
{
    QFETCH(int, index);
    QFETCH(int, program);
    QFETCH(QString, caption);
    QFETCH(bool, bass);
    named<QAction>(m_window.get(), QStringLiteral("mnuInst(12)"))->trigger(); // start from another entry
    named<QAction>(m_window.get(), element(QStringLiteral("mnuInst"), index))->trigger();
    QCOMPARE(strummer()->InstrumentProgram(), program);
    QCOMPARE(named<QLabel>(m_window.get(), QStringLiteral("lblPanel(2)"))->text(), caption);
    for (int i = 1; i <= 17; ++i)
        QCOMPARE(named<QAction>(m_window.get(), element(QStringLiteral("mnuInst"), i))->isChecked(), i == index);
    QCOMPARE(named<QWidget>(m_window.get(), QStringLiteral("shpBass"))->isVisible(), bass);
    // Choosing the checked entry again changes nothing.
    named<QAction>(m_window.get(), element(QStringLiteral("mnuInst"), index))->trigger();
    QVERIFY(named<QAction>(m_window.get(), element(QStringLiteral("mnuInst"), index))->isChecked());
    QVERIFY(m_midi->calls.isEmpty()); // the menu sends nothing
}

QTEST_MAIN(TestStrum)
#include "tst_strum.moc"
