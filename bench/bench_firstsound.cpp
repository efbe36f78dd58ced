// Click to first sound: how long after its due time (the tick that decides
// it, k x T after the click) the strum's first note is heard at the sink.
// Runs its own PulseAudio server with a null sink, plays through
// the program's real output path (window, built-in synthesizer, PulseAudio
// stream) and finds the first note in a recording of the sink's monitor.
//
// First strum: a fresh process for each sample, clicked 300 ms after the
// window first painted (the soundfont loads in the background meanwhile),
// and clicked at once (the strum waits for the load). Later strums: one process,
// each strum clicked after the one before has ended and its output was given
// back, so each opens a new output.

#include "BenchSupport.h"
#include "app/frmMain.h"
#include "sound/FluidSynthOut.h"
#include "support/Onsets.h"
#include "support/PulseServer.h"
#include "ui/Fonts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <cstdio>

using namespace lyrovan;
using lyrovan::MonotonicNs;

namespace {

constexpr int Interval = 100; // T at start-up

// Forwards to the synthesizer; notes when the first note-on was due and
// when it was sent.
class TimedOut final : public MidiOut {
public:
    explicit TimedOut(FluidSynthOut& out) : m_out(out) {}
    void prepare() override { m_out.prepare(); }
    std::int32_t open(std::int32_t id) override { return m_out.open(id); }
    void shortMessage(std::uint32_t message) override { m_out.shortMessage(message); }
    void shortMessageAt(std::uint32_t message, qint64 dueNs) override
    {
        if ((message & 0xF0) == 0x90 && (message >> 16 & 0x7F) > 0 && firstDueNs == 0) {
            firstDueNs = dueNs;
            firstNote = int(message >> 8 & 0x7F);
            firstSentNs = MonotonicNs();
        }
        m_out.shortMessageAt(message, dueNs);
    }
    void close() override { m_out.close(); }
    qint64 firstDueNs = 0;
    int firstNote = 0;
    qint64 firstSentNs = 0;

private:
    FluidSynthOut& m_out;
};

// Strums the chord shown once; returns when it has ended.
void Strum(frmMain& window)
{
    auto* toggle = window.findChild<QToolButton*>(QStringLiteral("chkStrum"));
    QEventLoop done;
    QObject::connect(toggle, &QToolButton::toggled, &done, [&](bool on) {
        if (!on)
            done.quit();
    });
    toggle->click();
    done.exec();
}

// Notes when a widget first paints.
class FirstPaint final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !timer.isValid())
            timer.start();
        return QObject::eventFilter(watched, event);
    }
    QElapsedTimer timer;
};

void WaitUntil(const std::function<bool()>& ready)
{
    while (!ready())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Child: one window, one first strum delayMs after its first paint; prints
// when the first note was due and when it was sent.
int RunChild(int argc, char* argv[], int delayMs)
{
    QApplication app(argc, argv);
    LoadBundledFonts();
    bench::SilentPresenter silent;
    FluidSynthOut synthesizer;
    TimedOut out(synthesizer);
    frmMain window(bench::ShippedParts(&out));
    FirstPaint painted;
    window.installEventFilter(&painted);
    window.Form_Load();
    WaitUntil([&] { return painted.timer.isValid() && painted.timer.elapsed() >= delayMs; });
    Strum(window);
    std::printf("%lld %lld %d %s\n", out.firstDueNs, out.firstSentNs, out.firstNote,
                synthesizer.synth() ? qPrintable(synthesizer.synth()->soundFontPath()) : "-");
    return 0;
}

// When note (program 24, as at start-up) starts at the sink, looked for
// from 60 ms before to 60 ms after the output's latency past its due time;
// 0 if it is not found there.
qint64 HeardNs(const test::MonitorRecorder& recorder, const QString& soundFont, int note, qint64 dueNs)
{
    const double perMs = 44.1;
    const std::vector<float> sound = recorder.samples();
    const std::size_t expected = recorder.indexAt(dueNs + qint64(NoteLatencyMs) * 1'000'000);
    const auto onsets = test::NoteOnsets(sound, {test::NoteSound(soundFont, 24, note, 127, int(perMs * 1000))},
                                         {expected}, std::size_t(60 * perMs));
    return onsets[0] ? recorder.sampleTimeNs(*onsets[0]) : 0;
}

void Report(const char* what, const std::vector<double>& sent, const std::vector<double>& heard)
{
    using bench::Median;
    using bench::Quantile;
    std::printf("  %-48s n=%2zu  first note-on sent %+6.2f ms after due (median) %+6.2f (p99)   heard %+6.2f ms "
                "(median) %+6.2f (p99)\n",
                what, heard.size(), Median(sent), Quantile(sent, 0.99), Median(heard), Quantile(heard, 0.99));
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "child") == 0)
        return RunChild(argc, argv, QByteArray(argv[2]).toInt());

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
    test::MonitorRecorder recorder;
    if (!recorder.waitForLiveData(20000)) {
        std::fprintf(stderr, "no live data from the sink's monitor\n");
        return 1;
    }
    std::printf("click to first sound at a PulseAudio null sink, T = %d ms; output buffer %d frames in blocks of %d "
                "at 44100 Hz = %.1f ms; notes heard %d ms after they are due\n",
                Interval, BufferFrames, PeriodFrames, 1000.0 * BufferFrames / 44100.0, NoteLatencyMs);
    std::printf("(times after the first note's due time; its latency is the target for being heard)\n");

    const QString self = QCoreApplication::applicationFilePath();
    for (const int delay : {300, 0}) {
        std::vector<double> sent, heard;
        for (int run = 0; run < 12; ++run) {
            QProcess child;
            child.start(self, {QStringLiteral("child"), QString::number(delay)});
            child.waitForFinished(60000);
            const QByteArray printed = child.readAllStandardOutput().trimmed();
            const QList<QByteArray> fields = printed.split(' ');
            if (fields.size() != 4 || fields[0].toLongLong() == 0) {
                std::fprintf(stderr, "a run gave no reading: \"%s\" %s\n", printed.constData(),
                             child.readAllStandardError().right(300).constData());
                continue;
            }
            const qint64 due = fields[0].toLongLong();
            const qint64 sound = HeardNs(recorder, QString::fromLocal8Bit(fields[3]), fields[2].toInt(), due);
            sent.push_back(double(fields[1].toLongLong() - due) / 1e6);
            heard.push_back(sound ? double(sound - due) / 1e6 : NAN);
            QThread::msleep(300);
        }
        Report(delay ? "first strum, clicked 300 ms after the first paint" : "first strum, clicked at the first paint",
               sent, heard);
    }

    FluidSynthOut synthesizer;
    TimedOut out(synthesizer);
    frmMain window(bench::ShippedParts(&out));
    window.Form_Load();
    WaitUntil([&] { return synthesizer.isPrepared(); });
    std::vector<double> sent, heard;
    for (int run = 0; run < 15; ++run) {
        out.firstDueNs = 0;
        Strum(window);
        WaitUntil([&] { return !synthesizer.hasAudioOutput(); });
        const qint64 sound = HeardNs(recorder, synthesizer.synth()->soundFontPath(), out.firstNote, out.firstDueNs);
        sent.push_back(double(out.firstSentNs - out.firstDueNs) / 1e6);
        heard.push_back(sound ? double(sound - out.firstDueNs) / 1e6 : NAN);
    }
    Report("later strums (a new output each)", sent, heard);
    return 0;
}
