// Strum timing and the cost of the hold: each note-on's time against
// k x T after the click on "Strum" (T the timer interval), and the processor
// time the window uses during the one-second hold at the end of a strum.
//
// Runs the real window offscreen with a MIDI output that only timestamps
// what it is sent; every string of the diagram is marked open so that all
// six sound.

#include "BenchSupport.h"
#include "app/frmMain.h"
#include "errors/MessagePresenter.h"
#include "sound/MidiOut.h"
#include "ui/Fonts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <sys/resource.h>

namespace {

double ProcessCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

class TimingOut final : public lyrovan::MidiOut {
public:
    std::int32_t open(std::int32_t) override
    {
        startedAtMs = double(clock.nsecsElapsed()) / 1e6;
        return 0;
    }
    void shortMessage(std::uint32_t message) override
    {
        if ((message & 0xF0) == 0x90) {
            noteTimesMs.push_back(double(clock.nsecsElapsed()) / 1e6);
            if (noteTimesMs.size() == 6)
                cpuAtLastNote = ProcessCpuMs();
        }
    }
    void close() override
    {
        cpuAtClose = ProcessCpuMs();
        closedAtMs = double(clock.nsecsElapsed()) / 1e6;
    }

    QElapsedTimer clock;
    std::vector<double> noteTimesMs;
    double cpuAtLastNote = 0, cpuAtClose = 0, closedAtMs = 0, startedAtMs = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    lyrovan::LoadBundledFonts();
    lyrovan::bench::SilentPresenter silent;

    TimingOut out;
    const lyrovan::MainWindowParts parts = lyrovan::bench::ShippedParts(&out);
    lyrovan::frmMain window(parts);
    window.Form_Load();
    auto* toggle = window.findChild<QToolButton*>(QStringLiteral("chkStrum"));
    auto* speed = window.findChild<QScrollBar*>(QStringLiteral("Slider(1)"));
    if (!toggle->isEnabled()) {
        std::printf("no chord positions found in %s/Chords.mdb: build the chords_db target first\n",
                    qPrintable(parts.programFolder));
        return 1;
    }

    std::printf("strum timing: note k due k x T after the click (6 strings), offscreen\n");
    std::vector<double> holdCpu;
    for (const int interval : {100, 41, 1}) {
        speed->setValue(201 - interval);
        std::vector<double> errors;
        const int strums = interval == 100 ? 8 : 12;
        for (int run = 0; run < strums; ++run) {
            for (int string = 1; string <= 6; ++string) {
                auto* cell = window.findChild<QLabel*>(QStringLiteral("lblDiaStr%1(0)").arg(string));
                cell->setText(QStringLiteral("O"));
            }
            out.noteTimesMs.clear();
            QEventLoop done;
            QObject::connect(toggle, &QToolButton::toggled, &done, [&](bool on) {
                if (!on)
                    done.quit();
            });
            out.clock.start();
            toggle->click();
            done.exec();
            if (run == 0 && qEnvironmentVariableIsSet("LYROVAN_BENCH_VERBOSE")) {
                for (double t : out.noteTimesMs)
                    std::printf(" %.3f", t);
                std::printf("  (start at %.3f)\n", out.startedAtMs);
            }
            for (std::size_t k = 0; k < out.noteTimesMs.size(); ++k)
                errors.push_back(std::abs(out.noteTimesMs[k] - double(k + 1) * interval));
            holdCpu.push_back(out.cpuAtClose - out.cpuAtLastNote);
        }
        using lyrovan::bench::Median;
        using lyrovan::bench::Quantile;
        std::printf("  T = %3d ms: %zu notes, |error| median %.3f ms, p99 %.3f ms\n", interval, errors.size(),
                    Median(errors), Quantile(errors, 0.99));
    }
    std::printf("processor time during the one-second hold (incl. the last interval): median %.1f ms, max %.1f ms\n",
                lyrovan::bench::Median(holdCpu), lyrovan::bench::Quantile(holdCpu, 1.0));
    return 0;
}
