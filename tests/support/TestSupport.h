#pragma once
// Helpers shared by the tests: finding controls by their names and
// recording message boxes instead of showing them.

#include "errors/MessagePresenter.h"
#include "errors/ShellOpen.h"
#include "sound/MidiOut.h"

#include <QLabel>
#include <QList>
#include <QStringList>
#include <QObject>
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
    void close() override;

    // The messages that reached an open device, in order.
    QList<std::uint32_t> messages() const;
    void clear() { calls.clear(); }

    QStringList calls;
    bool isOpen = false;

private:
    std::int32_t m_openResult;
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

} // namespace lyrovan::test
