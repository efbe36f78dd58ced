#pragma once
// Helpers shared by the tests: finding controls by their names and
// recording message boxes instead of showing them.

#include "errors/MessagePresenter.h"
#include "errors/ShellOpen.h"
#include "sound/MidiOut.h"
#include "theory/ChordTables.h"

#include <QLabel>
#include <QList>
#include <QStringList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTest>

namespace lyrovan::test {

struct ShownMessage {
    QString text;
    QString title;
    MessageIcon icon;
    QString details; // the box's detailed text; empty: none
};

// Records every message box instead of showing it; installs itself for its lifetime.
class RecordingPresenter final : public MessagePresenter {
public:
    RecordingPresenter();
    ~RecordingPresenter() override;
    RecordingPresenter(const RecordingPresenter&) = delete;
    RecordingPresenter& operator=(const RecordingPresenter&) = delete;

    void show(const QString& text, const QString& title, MessageIcon icon) override;
    void showDetailed(const QString& text, const QString& title, MessageIcon icon, const QString& details) override;

    QList<ShownMessage> messages;
};

// Stands in for the desktop's opener while it lives: records each target
// and answers with a fixed result code (above 32: success).
class FakeOpener final : public DesktopOpener {
public:
    explicit FakeOpener(int result) : m_result(result) { setDesktopOpener(this); }
    ~FakeOpener() override { setDesktopOpener(nullptr); }
    FakeOpener(const FakeOpener&) = delete;
    FakeOpener& operator=(const FakeOpener&) = delete;

    void open(const QString& target, std::function<void(int)> done) override
    {
        targets << target;
        done(m_result);
    }

    QStringList targets;

private:
    int m_result;
};

// Records the MIDI calls a window makes: "open -1", "msg 0x0c1890", "close";
// a message sent while no device is open is recorded as "lost 0x...".
class RecordingMidiOut final : public MidiOut {
public:
    // openResult: what open() returns (0 success).
    explicit RecordingMidiOut(std::int32_t openResult = 0) : m_openResult(openResult) {}

    std::int32_t open(std::int32_t deviceId) override;
    void shortMessage(std::uint32_t message) override;
    // Recorded as shortMessage, with its due time in dueTimes.
    void shortMessageAt(std::uint32_t message, qint64 dueNs) override;
    void close() override;

    // The messages that reached an open device, in order.
    QList<std::uint32_t> messages() const;
    void clear() { calls.clear(); }

    QStringList calls;
    QList<qint64> dueTimes;
    bool isOpen = false;

private:
    std::int32_t m_openResult;
};

// Busy loops in processes of their own, one per core asked for, from
// construction to destruction: a machine whose other programs keep cores busy.
class BusyLoops {
public:
    explicit BusyLoops(int cores);
    ~BusyLoops();
    BusyLoops(const BusyLoops&) = delete;
    BusyLoops& operator=(const BusyLoops&) = delete;

private:
    QList<qint64> m_pids;
};

// The object called name (e.g. "lbl6(21)") below root; fails the test if absent.
template <typename T>
T* named(QObject* root, const QString& name)
{
    T* found = root->findChild<T*>(name);
    if (!found)
        QTest::qFail(qPrintable(QStringLiteral("no object named ") + name), __FILE__, __LINE__);
    return found;
}

// The window's part of type T (ChordDiagram, Strummer, DataSource, ...);
// fails the test if absent.
template <typename T>
T* part(QObject* window)
{
    T* found = window->findChild<T*>();
    if (!found)
        QTest::qFail("no such part of the window", __FILE__, __LINE__);
    return found;
}

// The chord diagram's cell of string (1..6) in row (0..5): lblDiaStrN(row).
inline QLabel* diagramCell(QObject* window, int string, int row)
{
    return named<QLabel>(window, QStringLiteral("lblDiaStr%1(%2)").arg(string).arg(row));
}

// Name of element index of a control array: "lblPanel(1)".
inline QString element(const QString& array, int index)
{
    return array + QLatin1Char('(') + QString::number(index) + QLatin1Char(')');
}

// MIDI note of a note name with its octave, written down independently of
// the program's own parser: "D2" -> 38, "F#3" -> 54, "Eb1" -> 27.
inline int MidiNote(const QString& name)
{
    static const QString letters = QStringLiteral("C D EF G A B");
    int note = int(letters.indexOf(name.at(0)));
    int digits = 1;
    if (name.at(1) == QLatin1Char('#') || name.at(1) == QLatin1Char('b')) {
        note += name.at(1) == QLatin1Char('#') ? 1 : -1;
        ++digits;
    }
    return (name.mid(digits).toInt() + 1) * 12 + note;
}

// Pitch classes of a chord type's notes over the root with pitch class rootPc.
inline QSet<int> ChordPitchClasses(int rootPc, int chordType)
{
    QSet<int> pitches;
    for (char digit : ChordTypes[static_cast<std::size_t>(chordType)].formula)
        pitches.insert((rootPc + FormulaDigitValue(digit) - 1) % 12);
    return pitches;
}

} // namespace lyrovan::test
