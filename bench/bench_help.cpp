// F1 with damaged and hostile help files: for the shipped Help.chm and each
// class of tests/help/HostileHelp.h, the time from ShowHelp to the window
// (painted) or the box, the longest the window's thread stops answering from
// F1 until a second after that, and how much more memory the process takes
// at its peak. Medians of a few runs; the 30 MB file runs once.
//   bench_help [text]   only the files whose name holds text

#include "BenchSupport.h"
#include "help/Help.h"
#include "help/HelpWindow.h"
#include "help/HostileHelp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <vector>

using namespace lyrovan;

namespace {

class CountingPresenter final : public MessagePresenter {
public:
    CountingPresenter() { setMessagePresenter(this); }
    ~CountingPresenter() override { setMessagePresenter(nullptr); }
    CountingPresenter(const CountingPresenter&) = delete;
    CountingPresenter& operator=(const CountingPresenter&) = delete;
    void show(const QString&, const QString&, MessageIcon) override { ++count; }
    int count = 0;
};

HelpWindow* helpWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* help = qobject_cast<HelpWindow*>(window); help && help->isVisible())
            return help;
    }
    return nullptr;
}

struct Run {
    double ms = 0;      // F1 to the window painted, or the box
    double stallMs = 0; // longest the event loop did not answer
    double memoryMiB = 0;
    bool window = false;
};

Run measure(const QString& path)
{
    CountingPresenter boxes;
    Run run;
    const qint64 before = test::peakMemory(true);
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    qint64 stall = 0;
    // A timer every millisecond: the longest gap between its ticks is how
    // long the window's thread stopped answering.
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        stall = std::max(stall, sinceTick.restart());
    });
    clock.start();
    sinceTick.start();
    ticker.start();
    ShowHelp(path, nullptr);
    while (!helpWindow() && boxes.count == 0 && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (HelpWindow* window = helpWindow()) {
        window->grab();
        run.window = true;
    }
    run.ms = double(clock.nsecsElapsed()) / 1e6;
    // A second more: steps that follow (the index listed in steps).
    const qint64 shown = clock.elapsed();
    while (clock.elapsed() < shown + 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ticker.stop();
    stall = std::max(stall, sinceTick.elapsed());
    run.stallMs = double(stall);
    run.memoryMiB = double(test::peakMemory() - before) / (1024.0 * 1024.0);
    delete helpWindow();
    QCoreApplication::processEvents();
    return run;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("lyrovan.help.warning=false"));
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;

    struct Case {
        QString name;
        QString path;
        int runs;
    };
    std::vector<Case> cases{{QStringLiteral("shipped Help.chm"),
                             QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/Help.chm"), 5}};
    int number = 0;
    for (const test::HostileHelpFile& file : test::HostileHelpFiles(folder.path())) {
        const QString path = folder.filePath(QStringLiteral("hostile%1.chm").arg(++number));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(file.bytes) != file.bytes.size())
            return 1;
        cases.push_back({QString::fromLatin1(file.name), path, file.bytes.size() > 8 * 1024 * 1024 ? 1 : 5});
    }

    const QString only = app.arguments().value(1);
    std::printf("%-58s %-6s %9s %9s %9s\n", "help file", "gives", "F1 ms", "stall ms", "+MiB");
    for (const Case& c : cases) {
        if (!c.name.contains(only))
            continue;
        std::vector<double> ms, stalls, memory;
        bool window = false;
        for (int i = 0; i < c.runs; ++i) {
            const Run run = measure(c.path);
            ms.push_back(run.ms);
            stalls.push_back(run.stallMs);
            memory.push_back(run.memoryMiB);
            window = run.window;
        }
        std::printf("%-58s %-6s %9.1f %9.1f %9.1f\n", qPrintable(c.name), window ? "window" : "box",
                    bench::Median(ms), bench::Median(stalls), bench::Median(memory));
    }
    return 0;
}
