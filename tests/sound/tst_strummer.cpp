// The strum without a window: a toggle, a recording MIDI output and a
// fingering the test sets. The notes of guitar and bass strums, what each
// diagram column sounds, every change in mid-strum, the timer's beat, the
// hold, and the MIDI messages' packing.

#include "errors/Pause.h"
#include "errors/RuntimeError.h"
#include "library/ChordDb.h"
#include "library/ChordTexts.h"
#include "sound/MidiOut.h"
#include "sound/Strummer.h"
#include "support/TestSupport.h"

#include <QThread>
#include <QTimer>
#include <QToolButton>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

using Notes = QList<std::uint32_t>;

std::uint32_t NoteOn(int note, int velocity = 127)
{
    return std::uint32_t(0x90 + note * 256 + velocity * 65536);
}

std::uint32_t Program(int program)
{
    return std::uint32_t(0xC0 + program * 256);
}

// A stored position as the chord library decodes it.
ChordPosition Shown(const QString& fingering, int fret)
{
    ChordPosition position;
    for (int row = 0; row < DiagramRows; ++row)
        for (int string = 1; string <= DiagramStrings; ++string)
            position.cell(string, row) = FingeringCell(fingering, string, row);
    position.fret = static_cast<std::int16_t>(fret);
    position.stored = !fingering.isEmpty();
    return position;
}

// C major, x32010 at the nut.
const QString OpenC = Fingering("O O  X", " 1    ", "   2  ", "    3 ");

// A strum's surroundings: the toggle wired to the strum as the window wires
// it, and the fingering shown.
struct Rig {
    explicit Rig(std::int32_t openResult = 0) : midi(openResult), strummer(&toggle, &midi)
    {
        toggle.setCheckable(true);
        QObject::connect(&toggle, &QToolButton::toggled, &strummer, [this] { strummer.chkStrum_Click(canStart); });
        strummer.setScore([this] { return shown; });
    }
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            strummer.tmrStrum_Timer();
    }
    QTimer* timer() const { return strummer.tmrStrum(); }

    QToolButton toggle;
    RecordingMidiOut midi;
    Strummer strummer;
    ChordPosition shown = Shown(OpenC, 0);
    bool canStart = true;
};

} // namespace

class TestStrummer : public QObject {
    Q_OBJECT
private slots:
    void init() { m_recorder = std::make_unique<RecordingPresenter>(); }
    void cleanup() { m_recorder.reset(); }

    void strumsTheShownFingering_data();
    void strumsTheShownFingering();
    void changesInMidStrum_data();
    void changesInMidStrum();
    void stopThenStrumResumesOnTheBeat();
    void speedChangeKeepsTheBeat_data();
    void speedChangeKeepsTheBeat();
    void noDeviceWarnsAndStrumsSilently();
    void nothingStartsWithoutPositions();
    void noteAboveTheRangeIsReportedAndSkipped();
    void clicksDuringTheHoldAreHandled();
    void unloadStopsAndCloses();
    void packing_data();
    void packing();
    void pauseHandlesEventsUnlessTold();

private:
    std::unique_ptr<RecordingPresenter> m_recorder;
};

void TestStrummer::strumsTheShownFingering_data()
{
    QTest::addColumn<QString>("fingering");
    QTest::addColumn<int>("fret");
    QTest::addColumn<int>("program");
    QTest::addColumn<Notes>("notes");
    QTest::addColumn<int>("ticks"); // to the end step, the hold and the reset
    QTest::newRow("guitar: string 6 muted, then C3 E3 G3 C4 E4") << OpenC << 0 << 24
                                                                 << Notes{48, 52, 55, 60, 64} << 7;
    QTest::newRow("bass: strings 6 to 3 an octave lower, ends at step 5") << OpenC << 0 << 33
                                                                          << Notes{36, 40, 43} << 5;
    // String 6: rows 1 and 3 -> fret 8; string 5: no mark -> open A;
    // string 4: row 2 -> fret 7; string 3: muted by its X under a blank;
    // string 2: no mark -> open B; string 1: row 1 -> fret 6.
    QTest::newRow("marks, mutes and open strings at fret 5")
        << Fingering("      ", "1    1", "   2  ", "  X  3") << 5 << 24 << Notes{48, 45, 57, 59, 70} << 7;
    QTest::newRow("a mark in row 0 plays the base fret") << Fingering("222222") << 7 << 24
                                                         << Notes{47, 52, 57, 62, 66, 71} << 7;
    // Cells past the end of a short fingering are empty, and count as marks.
    QTest::newRow("empty cells are marks") << QStringLiteral("      ") + QStringLiteral("      ") << 4 << 24
                                           << Notes{49, 54, 59, 64, 68, 73} << 7;
    QTest::newRow("a lowercase x is a mark") << Fingering("      ", "      ", "      ", "xxxxxx") << 0 << 24
                                             << Notes{43, 48, 53, 58, 62, 67} << 7;
    QTest::newRow("no stored position: nothing sounds") << QString() << 0 << 24 << Notes{} << 7;
}

void TestStrummer::strumsTheShownFingering()
{
    QFETCH(QString, fingering);
    QFETCH(int, fret);
    QFETCH(int, program);
    QFETCH(Notes, notes);
    QFETCH(int, ticks);
    Rig rig;
    rig.shown = Shown(fingering, fret);
    rig.strummer.setInstrumentProgram(program);
    rig.toggle.click();
    QCOMPARE(rig.toggle.text(), QStringLiteral("&Stop"));
    QVERIFY(rig.timer()->isActive());
    rig.ticks(ticks - 1);
    Notes expected{Program(program)};
    for (std::uint32_t note : notes)
        expected << NoteOn(int(note));
    QCOMPARE(rig.midi.messages(), expected);
    QCOMPARE(rig.strummer.StrumStep(), ticks - 1);
    rig.ticks(1); // the end step, with its one-second hold
    QCOMPARE(rig.strummer.StrumStep(), 0);
    QVERIFY(!rig.timer()->isActive());
    QVERIFY(!rig.toggle.isChecked());
    QCOMPARE(rig.toggle.text(), QStringLiteral("&Strum"));
    QCOMPARE(rig.midi.calls.first(), QStringLiteral("open -1"));
    QCOMPARE(rig.midi.calls.last(), QStringLiteral("close"));
    QCOMPARE(rig.midi.calls.count(QStringLiteral("close")), 1);
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestStrummer::changesInMidStrum_data()
{
    QTest::addColumn<int>("program");
    QTest::addColumn<int>("ticksBefore");
    QTest::addColumn<QString>("change");
    QTest::addColumn<Notes>("notesAfter");
    QTest::addColumn<int>("ticksToEnd");
    // Guitar to bass before step 5: the strings still to come drop an
    // octave and step 5 ends the strum.
    QTest::newRow("guitar to bass") << 24 << 2 << "program 32" << Notes{NoteOn(38 + 2), NoteOn(43)} << 3;
    // After step 5: string 1 still sounds, from E3.
    QTest::newRow("guitar to bass after step 5") << 24 << 5 << "program 39" << Notes{NoteOn(52)} << 2;
    QTest::newRow("bass to guitar runs on to string 1")
        << 32 << 2 << "program 26" << Notes{NoteOn(52), NoteOn(55), NoteOn(60), NoteOn(64)} << 5;
    QTest::newRow("velocity is read per note") << 24 << 2 << "velocity 90"
                                               << Notes{NoteOn(52, 90), NoteOn(55, 90), NoteOn(60, 90), NoteOn(64, 90)}
                                               << 5;
    // The strings still to come are taken from the new position.
    QTest::newRow("another position") << 24 << 3 << "position" << Notes{NoteOn(55 + 8), NoteOn(59 + 7), NoteOn(64 + 6)}
                                      << 4;
    QTest::newRow("a chord with no stored position") << 24 << 2 << "none" << Notes{} << 5;
}

void TestStrummer::changesInMidStrum()
{
    QFETCH(int, program);
    QFETCH(int, ticksBefore);
    QFETCH(QString, change);
    QFETCH(Notes, notesAfter);
    QFETCH(int, ticksToEnd);
    Rig rig;
    rig.strummer.setInstrumentProgram(program);
    rig.toggle.click();
    rig.ticks(ticksBefore);
    const qsizetype before = rig.midi.messages().size();
    const QStringList words = change.split(QLatin1Char(' '));
    if (words[0] == QStringLiteral("program"))
        rig.strummer.setInstrumentProgram(words[1].toInt());
    else if (words[0] == QStringLiteral("velocity"))
        rig.strummer.setNoteVelocity(words[1].toInt());
    else if (words[0] == QStringLiteral("position"))
        rig.shown = Shown(Fingering("      ", "3     ", " 4    ", "  2   "), 5);
    else
        rig.shown = Shown(QString(), 5);
    rig.ticks(ticksToEnd - 1);
    QCOMPARE(rig.midi.messages().mid(before), notesAfter);
    QCOMPARE(rig.midi.messages().first(), Program(program)); // the sound changes only next time
    QVERIFY(rig.timer()->isActive());
    rig.ticks(1);
    QVERIFY(!rig.timer()->isActive());
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestStrummer::stopThenStrumResumesOnTheBeat()
{
    Rig rig;
    rig.toggle.click();
    rig.ticks(2);
    rig.toggle.click(); // Stop
    QCOMPARE(rig.toggle.text(), QStringLiteral("&Strum"));
    QCOMPARE(rig.midi.calls.last(), QStringLiteral("close"));
    QVERIFY(rig.timer()->isActive()); // the strum runs on without sound
    rig.ticks(1);
    QCOMPARE(rig.midi.calls.last(), QStringLiteral("lost 0x7f3490")); // string 4 goes nowhere
    // A long beat makes a restart of the running timer visible in its
    // remaining time, which otherwise only goes down.
    rig.timer()->start(1000000);
    const int remaining = rig.timer()->remainingTime();
    QThread::msleep(3);
    rig.toggle.click(); // Strum again: reopens and carries on
    QVERIFY(rig.timer()->remainingTime() < remaining);
    QCOMPARE(rig.midi.calls.mid(rig.midi.calls.size() - 2),
             (QStringList{QStringLiteral("open -1"), QStringLiteral("msg 0x0018c0")}));
    rig.ticks(1);
    QCOMPARE(rig.midi.messages().last(), NoteOn(55)); // string 3, not string 6
}

void TestStrummer::speedChangeKeepsTheBeat_data()
{
    QTest::addColumn<int>("interval");
    QTest::newRow("faster") << 21;
    QTest::newRow("slower") << 101;
    QTest::newRow("fastest") << 1;
}

void TestStrummer::speedChangeKeepsTheBeat()
{
    QFETCH(int, interval);
    Rig rig;
    QCOMPARE(rig.timer()->interval(), 100);
    rig.toggle.click();
    rig.ticks(1);
    // A long beat shows whether the change restarts the running timer: a
    // restart would leave at most the new interval.
    rig.timer()->start(1000000);
    for (int step = 50; step >= interval; step -= 7)
        rig.strummer.setStrumInterval(step);
    rig.strummer.setStrumInterval(interval);
    QVERIFY(rig.timer()->remainingTime() > 900000);
    // The next tick comes on its beat; from it on, the new speed holds.
    rig.ticks(1);
    QCOMPARE(rig.timer()->interval(), interval);
    QVERIFY(rig.timer()->isActive());
    QCOMPARE(rig.midi.messages().last(), NoteOn(48)); // the strum went on with string 5
}

void TestStrummer::noDeviceWarnsAndStrumsSilently()
{
    Rig rig(2);
    QString captionAtWarning;
    struct Watch final : MessagePresenter {
        std::function<void()> onShow;
        QList<ShownMessage> shown;
        void show(const QString& text, const QString& title, MessageIcon icon) override
        {
            shown.append({text, title, icon, QString()});
            onShow();
        }
    } watch;
    watch.onShow = [&] { captionAtWarning = rig.toggle.text(); };
    setMessagePresenter(&watch);
    rig.toggle.click();
    setMessagePresenter(m_recorder.get());
    QCOMPARE(watch.shown.size(), 1);
    QCOMPARE(watch.shown[0].text, QStringLiteral("Unable to open MIDI device.  Could be in use, or unavailable."));
    QCOMPARE(watch.shown[0].title, QStringLiteral("Lyrovan"));
    QCOMPARE(watch.shown[0].icon, MessageIcon::Warning);
    QCOMPARE(captionAtWarning, QStringLiteral("&Stop"));
    rig.ticks(7);
    QVERIFY(rig.midi.messages().isEmpty()); // nothing reached a device
    QCOMPARE(rig.midi.calls.count(QStringLiteral("lost 0x0018c0")), 1);
    QCOMPARE(rig.toggle.text(), QStringLiteral("&Strum"));
    QVERIFY(m_recorder->messages.isEmpty()); // the warning was the only report

    // Without any output at all, the same.
    QToolButton toggle;
    toggle.setCheckable(true);
    Strummer none(&toggle, nullptr);
    toggle.setChecked(true);
    none.chkStrum_Click(true);
    QCOMPARE(m_recorder->messages.size(), 1);
    QVERIFY(none.tmrStrum()->isActive());
}

void TestStrummer::nothingStartsWithoutPositions()
{
    Rig rig;
    rig.canStart = false;
    rig.toggle.setChecked(true);
    QCOMPARE(rig.toggle.text(), QStringLiteral("&Stop"));
    QVERIFY(rig.midi.calls.isEmpty());
    QVERIFY(!rig.timer()->isActive());
}

void TestStrummer::noteAboveTheRangeIsReportedAndSkipped()
{
    Rig rig;
    rig.shown = Shown(Fingering("      ", "1     "), 90);
    rig.toggle.click();
    rig.ticks(6);
    // Strings 6..2 play open notes; string 1 would be 64 + 91.
    QCOMPARE(rig.midi.messages().size(), 1 + 5);
    QCOMPARE(m_recorder->messages.size(), 1);
    QCOMPARE(m_recorder->messages[0].text, QStringLiteral("Error Number:6\r\nOverflow"));
    QCOMPARE(m_recorder->messages[0].icon, MessageIcon::Critical);
    QVERIFY(rig.timer()->isActive()); // the strum goes on
}

void TestStrummer::clicksDuringTheHoldAreHandled()
{
    Rig rig;
    rig.toggle.click();
    rig.ticks(6);
    const qsizetype before = rig.midi.calls.size();
    // During the hold: one click stops (closes), a second starts again.
    // Each click is queued from the one before, so both land early in the
    // hold whatever the machine's load.
    QString captionBetween;
    QTimer::singleShot(0, this, [&] {
        rig.toggle.click();
        QTimer::singleShot(0, this, [&] {
            captionBetween = rig.toggle.text();
            rig.toggle.click();
        });
    });
    QObject::connect(rig.timer(), &QTimer::timeout, &rig.strummer, [&] { rig.strummer.tmrStrum_Timer(); });
    rig.ticks(1);
    QCOMPARE(captionBetween, QStringLiteral("&Strum"));
    // The strum started during the hold sounds until the reset at the end of
    // the hold unchecks the toggle again, closing the device; then it runs
    // on without sound.
    const QStringList calls = rig.midi.calls.mid(before);
    QCOMPARE(calls.mid(0, 3),
             (QStringList{QStringLiteral("close"), QStringLiteral("open -1"), QStringLiteral("msg 0x0018c0")}));
    QCOMPARE(calls.last(), QStringLiteral("close"));
    QCOMPARE(calls.count(QStringLiteral("close")), 2);
    QVERIFY(calls.size() > 4); // the restarted timer ticked during the hold
    for (const QString& call : calls.mid(3, calls.size() - 4))
        QVERIFY2(call.startsWith(QStringLiteral("msg 0x7f")), qPrintable(call)); // note-ons of the new strum
    QVERIFY(!rig.toggle.isChecked());
    QCOMPARE(rig.toggle.text(), QStringLiteral("&Strum"));
    QVERIFY(!rig.midi.isOpen);
}

void TestStrummer::unloadStopsAndCloses()
{
    Rig rig;
    rig.toggle.click();
    rig.ticks(2);
    rig.strummer.Unload();
    QCOMPARE(rig.midi.calls.last(), QStringLiteral("close"));
    QVERIFY(!rig.timer()->isActive()); // no further step runs
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestStrummer::packing_data()
{
    QTest::addColumn<int>("note");
    QTest::addColumn<int>("velocity");
    QTest::addColumn<qint64>("packed"); // -1: overflow
    QTest::newRow("low E full") << 40 << 127 << qint64(0x90 + 40 * 256 + 127 * 65536);
    QTest::newRow("note 0 quiet") << 0 << 10 << qint64(0x0A0090);
    QTest::newRow("note 127") << 127 << 64 << qint64(0x407F90);
    QTest::newRow("128 overflows") << 128 << 127 << qint64(-1);
    QTest::newRow("below zero overflows") << -1 << 127 << qint64(-1);
}

void TestStrummer::packing()
{
    QFETCH(int, note);
    QFETCH(int, velocity);
    QFETCH(qint64, packed);
    QCOMPARE(PackProgramChange(24), std::uint32_t(0x18C0));
    QCOMPARE(PackProgramChange(39), std::uint32_t(0x27C0));
    try {
        QCOMPARE(qint64(PackNoteOn(0, note, velocity)), packed);
    } catch (const RuntimeError& error) {
        QCOMPARE(packed, qint64(-1));
        QCOMPARE(error.number(), std::int32_t(RuntimeError::Overflow));
        QCOMPARE(error.description(), QStringLiteral("Overflow"));
    }
}

void TestStrummer::pauseHandlesEventsUnlessTold()
{
    bool handled = false;
    QTimer::singleShot(0, this, [&] { handled = true; });
    Pause(0.05, true);
    QVERIFY(!handled); // nothing ran during a pause without events
    Pause(0.05, false);
    QVERIFY(handled);
}

QTEST_MAIN(TestStrummer)
#include "tst_strummer.moc"
