// Start-up time: from process start to the first painted frame of the main
// window with start-up done, against a bare Qt window of the same size,
// both measured in this run on the offscreen platform.
//
// The parent starts itself as a child process in one of the two modes,
// passing its monotonic clock reading; the child prints the time elapsed at
// each step of its start-up ("step ms" lines, the last one "painted" when
// its window first paints), then quits. The parent reports the medians of
// the first paint and of each step, so that it shows where the time goes.

#include "BenchSupport.h"
#include "app/frmMain.h"
#include "sound/FluidSynthOut.h"
#include "ui/Fonts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPaintEvent>
#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>

namespace {

qint64 MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

class Steps : public QObject {
public:
    explicit Steps(qint64 startNs) : m_startNs(startNs) {}

    void stamp(const char* step) const
    {
        std::printf("%s %.3f\n", step, double(MonotonicNs() - m_startNs) / 1e6);
        std::fflush(stdout);
    }

protected:
    // Watches the window: its first show and its first paint.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !m_shown) {
            m_shown = true;
            stamp("shown");
        } else if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            stamp("painted");
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    qint64 m_startNs;
    bool m_shown = false;
    bool m_painted = false;
};

int RunChild(int argc, char* argv[], bool lyrovan, qint64 startNs)
{
    Steps steps(startNs);
    if (lyrovan)
        lyrovan::PrepareFonts(); // as the program starts
    QApplication app(argc, argv);
    steps.stamp("application");
    if (lyrovan) {
        lyrovan::bench::SilentPresenter silent;
        lyrovan::LoadBundledFonts();
        steps.stamp("fonts");
        // As the program has it: the synthesizer gets ready once the window
        // has painted.
        lyrovan::FluidSynthOut synthesizer;
        lyrovan::frmMain window(lyrovan::bench::ShippedParts(&synthesizer));
        steps.stamp("built");
        window.installEventFilter(&steps);
        window.centralWidget()->installEventFilter(&steps);
        window.Form_Load();
        steps.stamp("loaded");
        return app.exec();
    }
    QWidget window;
    window.resize(588, 271);
    window.installEventFilter(&steps);
    window.show();
    return app.exec();
}

using StepTimes = std::map<std::string, double>;

StepTimes RunOnce(const QString& self, const char* mode)
{
    QProcess child;
    const qint64 start = MonotonicNs();
    child.start(self, {QString::fromLatin1(mode), QString::number(start)});
    if (!child.waitForFinished(30000)) {
        child.kill();
        child.waitForFinished();
    }
    StepTimes times;
    const QStringList lines = QString::fromLatin1(child.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QStringList parts = line.split(QLatin1Char(' '));
        bool ok = false;
        const double ms = parts.size() == 2 ? parts.at(1).toDouble(&ok) : 0.0;
        if (ok)
            times[parts.at(0).toStdString()] = ms;
    }
    return times;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3) {
        const bool lyrovan = qstrcmp(argv[1], "lyrovan") == 0;
        return RunChild(argc, argv, lyrovan, QByteArray(argv[2]).toLongLong());
    }
    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const int runs = 21;
    std::map<std::string, std::vector<double>> bare, lyrovan;
    const auto record = [](std::map<std::string, std::vector<double>>& into, const StepTimes& times) {
        for (const auto& [step, ms] : times)
            into[step].push_back(ms);
    };
    RunOnce(self, "bare"); // warm the page cache
    RunOnce(self, "lyrovan");
    for (int i = 0; i < runs; ++i) {
        record(bare, RunOnce(self, "bare"));
        record(lyrovan, RunOnce(self, "lyrovan"));
    }
    if (bare["painted"].size() != std::size_t(runs) || lyrovan["painted"].size() != std::size_t(runs)) {
        std::fprintf(stderr, "a child did not paint its window\n");
        return 1;
    }

    using lyrovan::bench::Median;
    using lyrovan::bench::Quantile;
    const double bareMs = Median(bare["painted"]);
    const double lyrovanMs = Median(lyrovan["painted"]);
    std::printf("start-up to first painted frame, %d runs each (offscreen)\n", runs);
    std::printf("  bare Qt window : median %7.2f ms  p90 %7.2f ms\n", bareMs, Quantile(bare["painted"], 0.9));
    std::printf("  Lyrovan        : median %7.2f ms  p90 %7.2f ms\n", lyrovanMs, Quantile(lyrovan["painted"], 0.9));
    std::printf("  ratio          : %.2f\n", lyrovanMs / bareMs);

    // Each step's median time from process start, and the median of the
    // time it took itself (from the step before it, run by run).
    std::printf("where Lyrovan's start-up goes (median ms since process start / of the step itself)\n");
    const char* const order[] = {"application", "fonts", "built", "shown", "loaded", "painted"};
    const char* const meaning[] = {"process and QApplication", "bundled fonts", "window built",
                                   "window shown (polish)", "start-up queries", "first paint"};
    std::vector<double> previous(std::size_t(runs), 0.0);
    for (std::size_t k = 0; k < std::size(order); ++k) {
        const std::vector<double>& at = lyrovan[order[k]];
        if (at.size() != std::size_t(runs))
            continue;
        std::vector<double> own(at.size());
        for (std::size_t i = 0; i < at.size(); ++i)
            own[i] = at[i] - previous[i];
        previous = at;
        std::printf("  %-26s %7.2f  %7.2f\n", meaning[k], Median(at), Median(own));
    }
    std::printf("  (bare window: QApplication at %.2f ms)\n", Median(bare["application"]));
    return 0;
}
