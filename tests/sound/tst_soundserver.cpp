// Sound through a real sound server: the suite starts its own PulseAudio
// server with a null sink, hides ALSA's configuration so that only the
// program's own PulseAudio client can reach it, strums through the window and
// the built-in synthesizer, and listens to the sink's monitor. Also the
// failures the user is told about, and the start-up check of the driver name.

#include "app/frmMain.h"
#include "library/ChordDb.h"
#include "sound/FluidSynthOut.h"
#include "sound/MidiOut.h"
#include "support/Onsets.h"
#include "support/PulseServer.h"
#include "support/TestSupport.h"
#include "ui/Fonts.h"

#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <cmath>
#include <csignal>
#include <future>
#include <memory>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

constexpr double Rate = PrivatePulseServer::SampleRate;

} // namespace

class TestSoundServer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void strumIsHeardAtTheSink_data();
    void strumIsHeardAtTheSink();
    void failuresAreExplained_data();
    void failuresAreExplained();
    void unknownDriverIsToldAtStartUp_data();
    void unknownDriverIsToldAtStartUp();
    void lostServerIsNotReused();
    void hungServerNeverFreezesTheWindow();
    void signalsEndTheProgramOnSdl_data();
    void signalsEndTheProgramOnSdl();

private:
    std::unique_ptr<PrivatePulseServer> m_server;
    std::unique_ptr<MonitorRecorder> m_recorder;
    QTemporaryDir m_folder;
};

void TestSoundServer::initTestCase()
{
    m_server = std::make_unique<PrivatePulseServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorText()));
    m_server->useInThisProcess();
    m_recorder = std::make_unique<MonitorRecorder>();
    QVERIFY2(m_recorder->isRecording(), qPrintable(m_recorder->errorText()));
    QVERIFY(m_recorder->waitForLiveData(20000));
    LoadBundledFonts();
    QVERIFY(m_folder.isValid());
    // C major x32010 and a second position, so that the toggle is enabled.
    const QVector<ChordRow> rows = {
        {QStringLiteral("C "), 0, 0, Fingering("O O  X", " 1    ", "   2  ", "    3 ")},
        {QStringLiteral("C "), 0, 5, Fingering("      ", "1    1")},
    };
    QCOMPARE(WriteChordDb(m_folder.filePath(QStringLiteral("Chords.mdb")), rows), QString());
    QFile corrupt(m_folder.filePath(QStringLiteral("corrupt.sf2")));
    QVERIFY(corrupt.open(QIODevice::WriteOnly));
    corrupt.write("not a soundfont at all");
}

void TestSoundServer::cleanupTestCase()
{
    m_recorder.reset();
    m_server.reset();
}

void TestSoundServer::strumIsHeardAtTheSink_data()
{
    QTest::addColumn<int>("speedBar"); // -1: left where it starts
    QTest::addColumn<int>("interval");

    QTest::newRow("speed at start-up") << -1 << 100;
    QTest::newRow("slowest") << 1 << 200;
}

void TestSoundServer::strumIsHeardAtTheSink()
{
    QFETCH(int, speedBar);
    QFETCH(int, interval);

    // Both cores kept busy by other programs, all the way through.
    BusyLoops busy(2);
    RecordingPresenter boxes;
    QStringList told;
    FluidSynthOptions options;
    options.report = [&](const QString& text) { told << text; };
    FluidSynthOut out(options);
    frmMain window(MainWindowParts{m_folder.path(), &out});
    window.Form_Load();
    if (speedBar >= 0)
        named<QScrollBar>(&window, QStringLiteral("Slider(1)"))->setValue(speedBar);
    // Ready once the window has painted: the program's own PulseAudio
    // client found the server.
    QTRY_VERIFY_WITH_TIMEOUT(out.isPrepared(), 20000);
    QCOMPARE(out.audioDriver(), QStringLiteral("pulseaudio"));

    MonitorRecorder& recorder = *m_recorder;
    const qint64 clicked = MonotonicNs();
    named<QToolButton>(&window, QStringLiteral("chkStrum"))->click();
    QTest::qWait(3 * interval);
    // Asked on another thread: the window's thread must stay free to strum.
    auto listed = std::async(std::launch::async, [this] {
        return m_server->pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")});
    });
    QTRY_VERIFY_WITH_TIMEOUT(!named<QToolButton>(&window, QStringLiteral("chkStrum"))->isChecked(), 20000);
    QTest::qWait(300);
    const QString streams = listed.get();

    // The mixer names the stream after the program.
    QVERIFY2(streams.contains(QStringLiteral("application.name = \"Lyrovan\"")), qPrintable(streams));
    QVERIFY2(streams.contains(QStringLiteral("media.name = \"Lyrovan\"")), qPrintable(streams));
    QVERIFY2(!streams.contains(QStringLiteral("FluidSynth")), qPrintable(streams));

    // String 6 is muted; then C3 E3 G3 C4 E4 on ticks 2 to 6, each heard
    // the output's latency after it is due, each found by its own sound.
    const std::vector<float> sound = recorder.samples();
    const std::size_t clickedAt = recorder.indexAt(clicked);
    const double perMs = Rate / 1000.0;
    const QList<int> notes{48, 52, 55, 60, 64};
    std::vector<std::vector<float>> sounds;
    std::vector<std::size_t> expected;
    for (int k = 0; k < notes.size(); ++k) {
        sounds.push_back(NoteSound(out.synth()->soundFontPath(), 24, notes[k], 127, int(Rate)));
        expected.push_back(clickedAt + std::size_t(((k + 2) * interval + NoteLatencyMs) * perMs));
    }
    const auto onsets = NoteOnsets(sound, sounds, expected, std::size_t(25 * perMs));
    QString heard;
    for (std::size_t k = 0; k < onsets.size(); ++k) {
        heard += onsets[k] ? QStringLiteral(" %1 at %2 ms").arg(notes[int(k)]).arg(
                                 (double(*onsets[k]) - double(clickedAt)) / perMs, 0, 'f', 1)
                           : QStringLiteral(" %1 not found").arg(notes[int(k)]);
    }
    qInfo("heard:%s", qPrintable(heard));
    for (const auto& onset : onsets)
        QVERIFY2(onset, qPrintable(heard));
    // The notes are placed on the audio clock to the frame, and FluidSynth
    // starts each at its next 64-frame block: one interval apart within
    // 64 frames (1.45 ms) and the onset reader's sample. The busy cores
    // could only move them through a dropout.
    for (std::size_t k = 1; k < onsets.size(); ++k) {
        const double apart = double(*onsets[k] - *onsets[k - 1]) / perMs;
        QVERIFY2(std::abs(apart - interval) <= 65 / perMs, qPrintable(heard));
    }
    QCOMPARE(DropoutsIn(sound, *onsets[0] + std::size_t(5 * perMs), *onsets[4] + std::size_t(300 * perMs)), 0);
    // The first note, due two intervals after the click, is heard within
    // 50 ms of that.
    const double firstAfterDue = (double(*onsets[0]) - double(clickedAt)) / perMs - 2 * interval;
    QVERIFY2(firstAfterDue <= 50.0, qPrintable(heard));
    QVERIFY(boxes.messages.isEmpty());
    QVERIFY2(told.isEmpty(), qPrintable(told.join(QLatin1Char('\n'))));
}

void TestSoundServer::failuresAreExplained_data()
{
    QTest::addColumn<QString>("soundFont");   // named by the user: "", "missing" or "corrupt"
    QTest::addColumn<bool>("noSoundFonts");   // nothing to be found anywhere
    QTest::addColumn<QStringList>("drivers"); // empty: the usual order
    QTest::addColumn<QString>("device");
    QTest::addColumn<QStringList>("details"); // in the box's detailed text; empty: no box
    QTest::addColumn<QStringList>("told");    // in what was told on standard error

    QTest::newRow("no soundfont anywhere")
        << QString() << true << QStringList() << QString()
        << QStringList{"No General MIDI soundfont", "fluid-soundfont-gm", "--soundfont"}
        << QStringList{"No General MIDI soundfont", "fluid-soundfont-gm"};
    QTest::newRow("named soundfont missing")
        << "missing" << false << QStringList() << QString() << QStringList()
        << QStringList{"missing.sf2 could not be loaded: no such file", "instead"};
    QTest::newRow("named soundfont unreadable")
        << "corrupt" << false << QStringList() << QString() << QStringList()
        << QStringList{"corrupt.sf2 could not be loaded: not a soundfont"};
    QTest::newRow("no output opens")
        << QString() << false << QStringList{"alsa", "oss"} << QString()
        << QStringList{"No audio output", "alsa: ", "oss: ", "--audio-driver"} << QStringList{"No audio output", "alsa: "};
    QTest::newRow("server has no such device")
        << QString() << false << QStringList{"pulseaudio"} << "no_such_sink"
        << QStringList{"pulseaudio: No such entity", "--audio-device"} << QStringList{"pulseaudio: No such entity"};
}

void TestSoundServer::failuresAreExplained()
{
    QFETCH(QString, soundFont);
    QFETCH(bool, noSoundFonts);
    QFETCH(QStringList, drivers);
    QFETCH(QString, device);
    QFETCH(QStringList, details);
    QFETCH(QStringList, told);

    QTemporaryDir empty;
    FluidSynthOptions options;
    if (!soundFont.isEmpty())
        options.soundFont = m_folder.filePath(soundFont + QStringLiteral(".sf2"));
    if (noSoundFonts) {
        options.programFolder = empty.path();
        options.fluidDefaultSoundFont = QString();
        qputenv("XDG_DATA_HOME", empty.path().toLocal8Bit());
        qputenv("XDG_DATA_DIRS", empty.path().toLocal8Bit());
    }
    options.audioDrivers = drivers;
    options.audioDevice = device;
    QStringList reports;
    options.report = [&](const QString& text) { reports << text; };
    RecordingPresenter boxes;
    {
        FluidSynthOut out(options);
        frmMain window(MainWindowParts{m_folder.path(), &out});
        window.Form_Load();
        auto* toggle = named<QToolButton>(&window, QStringLiteral("chkStrum"));
        // Two strums: a box for each, but each reason told once.
        for (int strum = 0; strum < 2; ++strum) {
            toggle->click();
            toggle->click();
        }
        // An output started in the background fails a moment later.
        QTRY_COMPARE_WITH_TIMEOUT(boxes.messages.size(), details.isEmpty() ? 0 : 2, 10000);
        window.close();
    }
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");

    QCOMPARE(boxes.messages.size(), details.isEmpty() ? 0 : 2);
    for (const ShownMessage& box : boxes.messages) {
        QCOMPARE(box.text, QStringLiteral("Unable to open MIDI device.  Could be in use, or unavailable."));
        QCOMPARE(box.icon, MessageIcon::Warning);
        for (const QString& part : details)
            QVERIFY2(box.details.contains(part), qPrintable(box.details));
        QVERIFY2(!box.details.contains(QStringLiteral(".;")) && !box.details.contains(QStringLiteral("..")),
                 qPrintable(box.details));
    }
    QCOMPARE(reports.size(), 1);
    for (const QString& part : told)
        QVERIFY2(reports[0].contains(part), qPrintable(reports[0]));
}

void TestSoundServer::unknownDriverIsToldAtStartUp_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("environment"); // LYROVAN_AUDIO_DRIVER
    QTest::addColumn<bool>("told");

    QTest::newRow("option") << QStringList{"--audio-driver", "nosuch"} << QString() << true;
    QTest::newRow("environment") << QStringList() << "nosuch" << true;
    QTest::newRow("option wins") << QStringList{"--audio-driver", "pulseaudio"} << "nosuch" << false;
}

void TestSoundServer::unknownDriverIsToldAtStartUp()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, environment);
    QFETCH(bool, told);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!environment.isEmpty())
        env.insert(QStringLiteral("LYROVAN_AUDIO_DRIVER"), environment);
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(LYROVAN_PROGRAM), arguments);
    QVERIFY(program.waitForStarted(10000));
    // The check comes before the window; a second later the program still runs.
    QTest::qWait(1000);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    const bool running = program.state() == QProcess::Running;
    program.kill();
    program.waitForFinished(10000);
    QVERIFY2(running, qPrintable(errors));
    QCOMPARE(errors.contains(QStringLiteral("unknown audio driver \"nosuch\"")), told);
    if (told) {
        // It lists what this FluidSynth offers.
        QVERIFY2(errors.contains(QStringLiteral("pulseaudio")) && errors.contains(QStringLiteral("alsa")),
                 qPrintable(errors));
    }
}

void TestSoundServer::signalsEndTheProgramOnSdl_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestSoundServer::signalsEndTheProgramOnSdl()
{
    // SDL's audio takes over SIGTERM and SIGINT unless told not to, and the
    // program could then not be ended. SDL's driver that writes to a file
    // stands in for a sound card; once the file is there, SDL's audio runs.
    QFETCH(int, signal);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("sdl.raw"));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("disk"));
    env.insert(QStringLiteral("SDL_DISKAUDIOFILE"), file);
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(LYROVAN_PROGRAM), {QStringLiteral("--audio-driver"), QStringLiteral("sdl2")});
    QVERIFY(program.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file), 20000);
    ::kill(pid_t(program.processId()), signal);
    const bool ended = program.waitForFinished(10000);
    program.kill();
    program.waitForFinished(10000);
    QVERIFY2(ended, qPrintable(QString::fromLocal8Bit(program.readAllStandardError())));
}

void TestSoundServer::lostServerIsNotReused()
{
    // A second server goes away while a note still rings: its output is let
    // go at once (nothing renders the note to its end any more), and the
    // next open says why it cannot play instead of playing into nothing.
    auto server = std::make_unique<PrivatePulseServer>();
    QVERIFY2(server->isRunning(), qPrintable(server->errorText()));
    FluidSynthOptions options;
    options.audioDrivers = {QStringLiteral("pulseaudio")};
    options.audioSettings.insert(QStringLiteral("audio.pulseaudio.server"), server->address());
    options.releaseMinimumMs = 60000;
    options.releaseLimitMs = 60000;
    options.report = [](const QString&) {};
    FluidSynthOut out(options);
    QCOMPARE(out.open(-1), std::int32_t(FluidSynthOut::Opened));
    out.shortMessage(PackProgramChange(24));
    out.shortMessage(PackNoteOn(0, 60, 127));
    out.close();
    server.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!out.hasAudioOutput(), 10000);
    QCOMPARE(out.open(-1), std::int32_t(FluidSynthOut::NoAudioOutput));
    QVERIFY2(out.errorText().contains(QStringLiteral("pulseaudio: ")), qPrintable(out.errorText()));
}

void TestSoundServer::hungServerNeverFreezesTheWindow()
{
    // A second server stops answering (as under a debugger) while a strum
    // plays through it: the window goes on answering events all along, and
    // the next strum says why it cannot play.
    auto server = std::make_unique<PrivatePulseServer>();
    QVERIFY2(server->isRunning(), qPrintable(server->errorText()));
    RecordingPresenter boxes;
    FluidSynthOptions options;
    options.audioDrivers = {QStringLiteral("pulseaudio")};
    options.audioSettings.insert(QStringLiteral("audio.pulseaudio.server"), server->address());
    options.report = [](const QString&) {};
    FluidSynthOut out(options);
    frmMain window(MainWindowParts{m_folder.path(), &out});
    window.Form_Load();
    QTRY_VERIFY_WITH_TIMEOUT(out.isPrepared(), 20000);
    auto* toggle = named<QToolButton>(&window, QStringLiteral("chkStrum"));

    // The longest the window goes without handling an event; a window
    // waiting on the server would miss seconds.
    qint64 last = MonotonicNs();
    qint64 longest = 0;
    QTimer probe;
    connect(&probe, &QTimer::timeout, &probe, [&] {
        const qint64 now = MonotonicNs();
        longest = std::max(longest, now - last);
        last = now;
    });
    probe.start(10);
    toggle->click();
    QTest::qWait(250);
    server->hang(true);
    QTRY_VERIFY_WITH_TIMEOUT(!toggle->isChecked(), 20000);
    QTest::qWait(2500); // the released notes never end: the output stalls
    toggle->click();
    QTRY_COMPARE_WITH_TIMEOUT(boxes.messages.size(), 1, 10000);
    toggle->click();
    probe.stop();
    server->hang(false);
    QCOMPARE(boxes.messages[0].text, QStringLiteral("Unable to open MIDI device.  Could be in use, or unavailable."));
    QVERIFY2(boxes.messages[0].details.contains(QStringLiteral("answer")), qPrintable(boxes.messages[0].details));
    QVERIFY2(longest < 500'000'000, qPrintable(QStringLiteral("%1 ms without events").arg(longest / 1'000'000)));
}

QTEST_MAIN(TestSoundServer)
#include "tst_soundserver.moc"
