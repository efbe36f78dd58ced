// Start-up time: from process start to the first painted frame of the main
// window with start-up done, against a bare Qt window of the same size,
// both measured in this run on the offscreen platform.
//
// The parent starts itself as a child process in one of the two modes,
// passing its monotonic clock reading; the child prints the time elapsed
// when its window first paints, then quits.

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

namespace {

qint64 MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

class FirstPaint : public QObject {
public:
    explicit FirstPaint(qint64 startNs) : m_startNs(startNs) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            const double ms = double(MonotonicNs() - m_startNs) / 1e6;
            std::printf("%.3f\n", ms);
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    qint64 m_startNs;
    bool m_done = false;
};

int RunChild(int argc, char* argv[], bool lyrovan, qint64 startNs)
{
    QApplication app(argc, argv);
    FirstPaint probe(startNs);
    if (lyrovan) {
        lyrovan::LoadBundledFonts();
        lyrovan::MainWindowParts parts;
        parts.programFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
        // As the program has it: the synthesizer gets ready once the window
        // has painted.
        lyrovan::FluidSynthOut synthesizer;
        parts.midi = &synthesizer;
        lyrovan::frmMain window(parts);
        window.centralWidget()->installEventFilter(&probe);
        window.Form_Load();
        return app.exec();
    }
    QWidget window;
    window.resize(588, 271);
    window.installEventFilter(&probe);
    window.show();
    return app.exec();
}

double RunOnce(const QString& self, const char* mode)
{
    QProcess child;
    const qint64 start = MonotonicNs();
    child.start(self, {QString::fromLatin1(mode), QString::number(start)});
    child.waitForFinished(30000);
    bool ok = false;
    const double ms = QString::fromLatin1(child.readAllStandardOutput()).trimmed().toDouble(&ok);
    return ok ? ms : -1.0;
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
    std::vector<double> bare, lyrovan;
    RunOnce(self, "bare"); // warm the page cache
    RunOnce(self, "lyrovan");
    for (int i = 0; i < runs; ++i) {
        bare.push_back(RunOnce(self, "bare"));
        lyrovan.push_back(RunOnce(self, "lyrovan"));
    }
    using lyrovan::bench::Median;
    using lyrovan::bench::Quantile;
    std::printf("start-up to first painted frame, %d runs each (offscreen)\n", runs);
    std::printf("  bare Qt window : median %7.2f ms  p90 %7.2f ms\n", Median(bare), Quantile(bare, 0.9));
    std::printf("  Lyrovan        : median %7.2f ms  p90 %7.2f ms\n", Median(lyrovan), Quantile(lyrovan, 0.9));
    std::printf("  ratio          : %.2f\n", Median(lyrovan) / Median(bare));
    return 0;
}
