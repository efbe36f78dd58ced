// Click to first sound: how long after a click on "Strum" the strum's first
// note is heard at the sink, against T (the timer interval) when the first
// note is due. Runs its own PulseAudio server with a null sink, plays through
// the program's real output path (window, built-in synthesizer, PulseAudio
// stream) and finds the first note in a recording of the sink's monitor.
//
// First strum: a fresh process for each sample, clicked one second after the
// window first painted (the soundfont loaded in the background by then), and
// clicked at once (the click waits for the load). Later strums: one process,
// each strum clicked after the one before has ended and its output was given
// back, so each opens a new output.

#include "BenchSupport.h"
#include "app/frmMain.h"
#include "sound/FluidSynthOut.h"
#include "support/PulseServer.h"
#include "ui/Fonts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <cstdio>

using namespace lyrovan;
using lyrovan::test::MonotonicNs;

namespace {

constexpr int Interval = 100; // T at start-up

// Forwards to the synthesizer and notes when the first note-on was sent.
class TimedOut final : public MidiOut {
public:
    explicit TimedOut(FluidSynthOut& out) : m_out(out) {}
    void prepare() override { m_out.prepare(); }
    std::int32_t open(std::int32_t id) override { return m_out.open(id); }
    void shortMessage(std::uint32_t message) override
    {
        if ((message & 0xF0) == 0x90 && firstNoteNs == 0)
            firstNoteNs = MonotonicNs();
        m_out.shortMessage(message);
    }
    void close() override { m_out.close(); }
    qint64 firstNoteNs = 0;

private:
    FluidSynthOut& m_out;
};

// Strums once with every string open; returns the click time.
qint64 Strum(frmMain& window)
{
    for (int string = 1; string <= 6; ++string)
        window.findChild<QLabel*>(QStringLiteral("lblDiaStr%1(0)").arg(string))->setText(QStringLiteral("O"));
    auto* toggle = window.findChild<QToolButton*>(QStringLiteral("chkStrum"));
    QEventLoop done;
    QObject::connect(toggle, &QToolButton::toggled, &done, [&](bool on) {
        if (!on)
            done.quit();
    });
    const qint64 clicked = MonotonicNs();
    toggle->click();
    done.exec();
    return clicked;
}

void WaitUntil(const std::function<bool()>& ready)
{
    while (!ready())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Child: one window, one first strum after delayMs; prints click and
// first-note times.
int RunChild(int argc, char* argv[], int delayMs)
{
    QApplication app(argc, argv);
    LoadBundledFonts();
    bench::SilentPresenter silent;
    FluidSynthOut synthesizer;
    TimedOut out(synthesizer);
    frmMain window(bench::ShippedParts(&out));
    window.Form_Load();
    QElapsedTimer shown;
    shown.start();
    WaitUntil([&] { return shown.elapsed() >= delayMs; });
    const qint64 clicked = Strum(window);
    std::printf("%lld %lld %d\n", clicked, out.firstNoteNs, synthesizer.isPrepared() ? 1 : 0);
    return 0;
}

// The first sample louder than the noise floor at or after index from.
qint64 FirstSoundNs(const test::MonitorRecorder& recorder, qint64 afterNs)
{
    const std::vector<float> x = recorder.samples();
    for (std::size_t i = recorder.indexAt(afterNs); i < x.size(); ++i) {
        if (std::abs(x[i]) > 0.003f)
            return recorder.sampleTimeNs(i);
    }
    return 0;
}

void Report(const char* what, const std::vector<double>& sent, const std::vector<double>& heard)
{
    using bench::Median;
    using bench::Quantile;
    std::printf("  %-44s n=%2zu  note-on sent T%+6.2f ms (median) %+6.2f (p99)   heard T%+6.2f ms (median) "
                "%+6.2f (p99)\n",
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
    std::printf("click to first sound at a PulseAudio null sink, T = %d ms; output buffer %d frames x %d periods "
                "at 44100 Hz = %.1f ms\n",
                Interval, PeriodFrames, Periods, 1000.0 * PeriodFrames * Periods / 44100.0);
    std::printf("(times relative to T after the click, when the first note is due)\n");

    const QString self = QCoreApplication::applicationFilePath();
    for (const int delay : {1000, 0}) {
        std::vector<double> sent, heard;
        for (int run = 0; run < 12; ++run) {
            QProcess child;
            child.start(self, {QStringLiteral("child"), QString::number(delay)});
            child.waitForFinished(60000);
            const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
            if (fields.size() != 3)
                continue;
            const qint64 clicked = fields[0].toLongLong();
            const qint64 sound = FirstSoundNs(recorder, clicked);
            sent.push_back(double(fields[1].toLongLong() - clicked) / 1e6 - Interval);
            heard.push_back(sound ? double(sound - clicked) / 1e6 - Interval : NAN);
            QThread::msleep(300);
        }
        Report(delay ? "first strum, clicked 1 s after the first frame" : "first strum, clicked at the first frame",
               sent, heard);
    }

    FluidSynthOut synthesizer;
    TimedOut out(synthesizer);
    frmMain window(bench::ShippedParts(&out));
    window.Form_Load();
    WaitUntil([&] { return synthesizer.isPrepared(); });
    std::vector<double> sent, heard;
    for (int run = 0; run < 15; ++run) {
        out.firstNoteNs = 0;
        const qint64 clicked = Strum(window);
        WaitUntil([&] { return !synthesizer.hasAudioOutput(); });
        const qint64 sound = FirstSoundNs(recorder, clicked);
        sent.push_back(double(out.firstNoteNs - clicked) / 1e6 - Interval);
        heard.push_back(sound ? double(sound - clicked) / 1e6 - Interval : NAN);
    }
    Report("later strums (a new output each)", sent, heard);
    return 0;
}
