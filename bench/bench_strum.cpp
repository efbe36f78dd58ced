// The strum as heard: strums C major (x32010) through the real window, the
// built-in synthesizer and the program's PulseAudio stream into a private
// PulseAudio server's null sink, and reads the sink's monitor:
//   - spacing error: how far each note's onset is from one interval T
//     after the note before it (median, p99);
//   - dropouts: runs of exact silence while strings ring, per 20 strums,
//     and the blocks the server found empty;
//   - first note: how long after its due time (2T after the click: string
//     6 is muted) the first note is heard;
//   - tick lateness: how late the window's timer sends each note after its
//     due time (what the output's constant latency has to cover);
// with the machine idle and with busy loops in other processes on one or
// two cores, for the output buffer the program uses or for each size given.
// It first checks its onset reader on an offline rendering whose note times
// are known.
//
//     bench_strum [--buffers 512,1024,...] [--strums 20] [--no-realtime] [--load 0,1,2]

#include "BenchSupport.h"
#include "app/frmMain.h"
#include "library/ChordDb.h"
#include "sound/FluidSynthOut.h"
#include "sound/SynthRenderer.h"
#include "support/Onsets.h"
#include "support/PulseServer.h"
#include "ui/Fonts.h"

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QToolButton>
#include <cmath>
#include <cstdio>
#include <memory>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

constexpr double Rate = 44100.0;
constexpr int Interval = 100; // T at start-up

// Forwards to the synthesizer; notes how late each timed message was sent.
class LatenessOut final : public MidiOut {
public:
    explicit LatenessOut(FluidSynthOut& out) : m_out(out) {}
    void prepare() override { m_out.prepare(); }
    std::int32_t open(std::int32_t id) override { return m_out.open(id); }
    void shortMessage(std::uint32_t message) override { m_out.shortMessage(message); }
    void shortMessageAt(std::uint32_t message, qint64 dueNs) override
    {
        lateMs.push_back(double(MonotonicNs() - dueNs) / 1e6);
        m_out.shortMessageAt(message, dueNs);
    }
    void close() override { m_out.close(); }
    QString failureText() const override { return m_out.failureText(); }
    void whenOpenFailsLater(std::function<void()> report) override { m_out.whenOpenFailsLater(std::move(report)); }
    std::vector<double> lateMs;

private:
    FluidSynthOut& m_out;
};

void WaitUntil(const std::function<bool()>& ready)
{
    while (!ready())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The notes of the strum, strings 5 to 1, and their sounds alone.
const int Notes[] = {48, 52, 55, 60, 64};

std::vector<std::vector<float>> NoteSounds(const QString& soundFont)
{
    std::vector<std::vector<float>> sounds;
    for (int note : Notes)
        sounds.push_back(test::NoteSound(soundFont, 24, note, 127, int(Rate * 1.5)));
    return sounds;
}

// The onset reader against an offline rendering: notes placed on known
// frames, which FluidSynth starts at its next 64-frame block. False if it
// is off by a sample anywhere.
bool CheckOnsetReader(const QString& soundFont, const std::vector<std::vector<float>>& sounds)
{
    auto synth = std::make_shared<GmSynth>(QStringList{soundFont});
    if (!synth->isLoaded())
        return false;
    SynthRenderer renderer(synth, 0);
    const int frames = int(Rate * 1.2);
    std::vector<float> left(std::size_t(frames), 0.0f), right(std::size_t(frames), 0.0f);
    renderer.post(PackProgramChange(24), 0);
    std::vector<std::size_t> truth, expected;
    for (int k = 0; k < 5; ++k) {
        const qint64 dueNs = qint64(50 + k * (Interval + 7 * k)) * 1'000'000; // uneven on purpose
        renderer.post(PackNoteOn(0, Notes[k], 127), dueNs);
        const auto placed = std::size_t(double(dueNs) * Rate / 1e9);
        truth.push_back((placed + 63) / 64 * 64);
        expected.push_back(truth.back() + 400);
    }
    for (int at = 0; at < frames; at += 256) {
        const int block = std::min(256, frames - at);
        renderer.render(left.data() + at, right.data() + at, 1, block, qint64(double(at) * 1e9 / Rate));
    }
    std::vector<float> mono(left.size());
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = 0.5f * (left[i] + right[i]);
    const auto onsets = test::NoteOnsets(mono, sounds, expected, 1300);
    for (std::size_t k = 0; k < truth.size(); ++k) {
        if (onsets[k] != truth[k])
            return false;
    }
    std::printf("onset reader: every note of an offline rendering found to the sample\n");
    return true;
}

struct Results {
    std::vector<double> spacingErrorMs;
    std::vector<double> firstNoteMs; // after the due time
    std::vector<double> lateMs;
    int dropouts = 0;
    int underflows = 0;
    int remappings = 0;
    int missed = 0;
    bool realtime = false;
};

Results Measure(const QString& folder, const QString& soundFont, const std::vector<std::vector<float>>& sounds,
                test::MonitorRecorder& recorder, int bufferFrames, bool realtime, int strums)
{
    FluidSynthOptions options;
    options.soundFontPaths = QStringList{soundFont};
    options.bufferFrames = bufferFrames;
    options.realtimePriority = realtime ? AudioPriority : 0;
    options.audioDrivers = {QStringLiteral("pulseaudio")};
    options.report = [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    FluidSynthOut synthesizer(options);
    LatenessOut out(synthesizer);
    frmMain window(MainWindowParts{folder, &out});
    window.Form_Load();
    WaitUntil([&] { return synthesizer.isPrepared(); });
    auto* toggle = window.findChild<QToolButton*>(QStringLiteral("chkStrum"));
    Results results;
    const double perMs = Rate / 1000.0;
    for (int strum = 0; strum < strums; ++strum) {
        const qint64 clicked = MonotonicNs();
        toggle->click();
        WaitUntil([&] { return !toggle->isChecked(); });
        Wait(200);
        const std::vector<float> sound = recorder.samples();
        const std::size_t at = recorder.indexAt(clicked);
        // Strings 5 to 1 on ticks 2 to 6, each heard the output's latency
        // after it is due.
        std::vector<std::size_t> expected;
        for (int tick = 2; tick <= 6; ++tick)
            expected.push_back(at + std::size_t((tick * Interval + NoteLatencyMs) * perMs));
        std::vector<std::size_t> onsets;
        for (const auto& onset : test::NoteOnsets(sound, sounds, expected, std::size_t(30 * perMs))) {
            if (onset)
                onsets.push_back(*onset);
        }
        if (onsets.size() != 5)
            ++results.missed;
        if (onsets.size() == 5) {
            results.firstNoteMs.push_back(double(onsets[0]) / perMs - double(at) / perMs - 2 * Interval);
            for (std::size_t k = 1; k < onsets.size(); ++k)
                results.spacingErrorMs.push_back(std::abs(double(onsets[k] - onsets[k - 1]) / perMs - Interval));
            // From just after the first note's attack, which may begin in
            // digital silence, to well after the last note.
            results.dropouts += test::DropoutsIn(sound, onsets[0] + std::size_t(5 * perMs),
                                                 onsets[4] + std::size_t(400 * perMs));
        }
    }
    if (const AudioOutput* output = synthesizer.audioOutput()) {
        results.underflows = output->underflows();
        results.remappings = const_cast<AudioOutput*>(output)->renderer().remappings();
        results.realtime = output->realtime();
    }
    results.lateMs = out.lateMs;
    return results;
}

// Busy loops in processes of their own, one per core asked for.
class Load {
public:
    Load(const QString& self, int cores)
    {
        for (int k = 0; k < cores; ++k) {
            auto* busy = new QProcess;
            busy->start(self, {QStringLiteral("--busy")});
            busy->waitForStarted();
            m_busy.emplace_back(busy);
        }
    }
    ~Load()
    {
        for (auto& busy : m_busy) {
            busy->kill();
            busy->waitForFinished();
        }
    }

private:
    std::vector<std::unique_ptr<QProcess>> m_busy;
};

QList<int> Numbers(const QString& list)
{
    QList<int> numbers;
    for (const QString& item : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        numbers << item.toInt();
    return numbers;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--busy") == 0) {
        volatile unsigned long spin = 0;
        for (;;)
            spin = spin + 1;
    }
    QList<int> buffers{BufferFrames};
    QList<int> loads{0, 1, 2};
    int strums = 20;
    bool realtime = true;
    for (int k = 1; k < argc; ++k) {
        const QByteArray option(argv[k]);
        if (option == "--buffers" && k + 1 < argc)
            buffers = Numbers(QString::fromLatin1(argv[++k]));
        else if (option == "--strums" && k + 1 < argc)
            strums = QByteArray(argv[++k]).toInt();
        else if (option == "--load" && k + 1 < argc)
            loads = Numbers(QString::fromLatin1(argv[++k]));
        else if (option == "--no-realtime")
            realtime = false;
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    test::PrivatePulseServer server;
    if (!server.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorText()));
        return 1;
    }
    server.useInThisProcess();
    QApplication app(argc, argv);
    LoadBundledFonts();
    bench::SilentPresenter silent;
    QTemporaryDir folder;
    const QVector<ChordRow> rows = {
        {QStringLiteral("C "), 0, 0, Fingering("O O  X", " 1    ", "   2  ", "    3 ")},
        {QStringLiteral("C "), 0, 5, Fingering("      ", "1    1")},
    };
    if (!WriteChordDb(folder.filePath(QStringLiteral("Chords.mdb")), rows).isEmpty())
        return 1;
    const QStringList fonts = GmSynth::defaultSoundFontPaths();
    const QString soundFont = fonts.isEmpty() ? QString() : fonts.first();
    const std::vector<std::vector<float>> sounds = NoteSounds(soundFont);
    if (!CheckOnsetReader(soundFont, sounds)) {
        std::fprintf(stderr, "the onset reader misplaced a note of the offline rendering\n");
        return 1;
    }
    test::MonitorRecorder recorder;
    if (!recorder.waitForLiveData(20000)) {
        std::fprintf(stderr, "no live data from the sink's monitor\n");
        return 1;
    }

    std::printf("C major strummed %d times at T = %d ms into a PulseAudio null sink; notes heard %d ms after they "
                "are due; audio thread %s\n",
                strums, Interval, NoteLatencyMs, realtime ? "at real-time priority where allowed" : "at normal priority");
    std::printf("%7s %8s %5s | %9s %9s | %8s %10s | %9s %9s | %8s %6s %6s\n", "buffer", "ms", "busy", "spacing",
                "error p99", "dropouts", "underflows", "1st note", "p99", "tick p99", "missed", "remaps");
    const QString self = QCoreApplication::applicationFilePath();
    for (int frames : buffers) {
        for (int cores : loads) {
            Load load(self, cores);
            QThread::msleep(300);
            const Results r = Measure(folder.path(), soundFont, sounds, recorder, frames, realtime, strums);
            using bench::Median;
            using bench::Quantile;
            std::printf("%7d %8.1f %5d | %7.2fms %7.2fms | %8d %10d | %7.1fms %7.1fms | %6.1fms %6d %6d%s\n", frames,
                        1000.0 * frames / Rate, cores, Median(r.spacingErrorMs), Quantile(r.spacingErrorMs, 0.99),
                        r.dropouts, r.underflows, Median(r.firstNoteMs), Quantile(r.firstNoteMs, 0.99),
                        Quantile(r.lateMs, 0.99), r.missed, r.remappings, realtime && !r.realtime ? "  (no real-time)" : "");
            std::fflush(stdout);
        }
    }
    return 0;
}
