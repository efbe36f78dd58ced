// Sound through a real sound server: the suite starts its own PulseAudio
// server with a null sink, hides ALSA's configuration so that only the
// program's own PulseAudio client can reach it, strums through the window and
// the built-in synthesizer, and listens to the sink's monitor. Also the
// failures the user is told about, and the start-up check of the driver name.

#include "app/frmMain.h"
#include "library/ChordDb.h"
#include "sound/FluidSynthOut.h"
#include "sound/MidiOut.h"
#include "support/PulseServer.h"
#include "support/TestSupport.h"
#include "ui/Fonts.h"

#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <cmath>
#include <memory>
#include <numbers>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

constexpr double Rate = PrivatePulseServer::SampleRate;

double NoteHz(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Power at hz in samples [from, from + count), Hann-windowed (Goertzel).
double PowerAt(const std::vector<float>& x, std::size_t from, std::size_t count, double hz)
{
    const double w = 2.0 * std::numbers::pi * hz / Rate;
    const double c = 2.0 * std::cos(w);
    double s1 = 0.0, s2 = 0.0;
    for (std::size_t i = 0; i < count && from + i < x.size(); ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / double(count - 1));
        const double s0 = hann * double(x[from + i]) + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - c * s1 * s2;
}

// The power gained at hz in the window at from, against the window before.
double Gain(const std::vector<float>& x, std::size_t from, std::size_t window, double hz)
{
    return std::max(0.0, PowerAt(x, from, window, hz) - PowerAt(x, from - window, window, hz));
}

// The power that a tone at hz and its next four harmonics gained. A
// harmonic that lost counts nothing, so that the strings still ringing do
// not hide a new note.
double HarmonicGain(const std::vector<float>& x, std::size_t from, std::size_t window, double hz)
{
    double gain = 0.0;
    for (int h = 1; h <= 5; ++h)
        gain += Gain(x, from, window, h * hz);
    return gain;
}

// Whether note starts at onset: its harmonics gain more than those a
// semitone either side.
bool NoteStartsAt(const std::vector<float>& x, std::size_t onset, std::size_t window, int note)
{
    const double hz = NoteHz(note);
    const double semitone = std::pow(2.0, 1.0 / 12.0);
    const double gain = HarmonicGain(x, onset, window, hz);
    return gain > HarmonicGain(x, onset, window, hz * semitone) && gain > HarmonicGain(x, onset, window, hz / semitone);
}

// Where in [begin, end) note starts: the first 5 ms step at which its
// harmonics gain at least half the most they gain anywhere there (over the
// 30 ms before); the leading edge, as other strings ringing on the same
// harmonics can swell later.
std::size_t StartOf(const std::vector<float>& x, int note, std::size_t begin, std::size_t end)
{
    constexpr std::size_t Window = 1323;
    std::vector<std::pair<std::size_t, double>> gains;
    double most = 0.0;
    for (std::size_t t = std::max(begin, Window); t + Window < std::min(end, x.size()); t += 220) {
        gains.emplace_back(t, HarmonicGain(x, t, Window, NoteHz(note)));
        most = std::max(most, gains.back().second);
    }
    for (const auto& [t, gain] : gains) {
        if (gain >= 0.5 * most)
            return t;
    }
    return begin;
}

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
    const QString streams = m_server->pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")});
    QTRY_VERIFY_WITH_TIMEOUT(!named<QToolButton>(&window, QStringLiteral("chkStrum"))->isChecked(), 20000);
    QTest::qWait(300);

    // The mixer names the stream after the program.
    QVERIFY2(streams.contains(QStringLiteral("application.name = \"Lyrovan\"")), qPrintable(streams));
    QVERIFY2(streams.contains(QStringLiteral("media.name = \"Lyrovan\"")), qPrintable(streams));
    QVERIFY2(!streams.contains(QStringLiteral("FluidSynth")), qPrintable(streams));

    // String 6 is muted; then C3 E3 G3 C4 E4, one interval apart: each
    // note is looked for after the one before it, and must be the note that
    // starts there.
    const std::vector<float> sound = recorder.samples();
    const std::size_t clickedAt = recorder.indexAt(clicked);
    QVERIFY(clickedAt < sound.size());
    const double samplesPerMs = Rate / 1000.0;
    const auto span = std::size_t(samplesPerMs * std::min(interval - 25, 80));
    const QList<int> expected{48, 52, 55, 60, 64};
    std::vector<std::size_t> onsets;
    QString heard;
    for (int k = 0; k < expected.size(); ++k) {
        const std::size_t from = k == 0 ? clickedAt : onsets.back() + std::size_t(0.5 * interval * samplesPerMs);
        const std::size_t to = k == 0 ? clickedAt + std::size_t((4 * interval + 300) * samplesPerMs)
                                      : onsets.back() + std::size_t((1.5 * interval + 50) * samplesPerMs);
        onsets.push_back(StartOf(sound, expected[k], from, to));
        heard += QStringLiteral(" %1%2 at %3 ms")
                     .arg(expected[k])
                     .arg(NoteStartsAt(sound, onsets.back(), span, expected[k]) ? "" : "?")
                     .arg(double(onsets.back() - clickedAt) / samplesPerMs, 0, 'f', 1);
    }
    for (int k = 0; k < expected.size(); ++k) {
        QVERIFY2(NoteStartsAt(sound, onsets[std::size_t(k)], span, expected[k]), qPrintable(heard));
        if (k > 0) {
            const double apart = double(onsets[std::size_t(k)] - onsets[std::size_t(k - 1)]) / samplesPerMs;
            QVERIFY2(std::abs(apart - interval) < std::max(0.3 * interval, 20.0), qPrintable(heard));
        }
    }
    qInfo("heard:%s", qPrintable(heard));
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
        << QString() << false << QStringList{"alsa", "sdl2"} << QString()
        << QStringList{"No audio output", "alsa: ", "sdl2: ", "--audio-driver"} << QStringList{"No audio output", "alsa: "};
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

QTEST_MAIN(TestSoundServer)
#include "tst_soundserver.moc"
