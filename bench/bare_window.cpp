// A bare Qt 6 QMainWindow with Lyrovan's client size: what bench_startup
// holds Lyrovan's start-up against. It writes the same start-up steps as
// the program (see src/app/StartupSteps.h) and links nothing but Qt Widgets.

#include <QApplication>
#include <QMainWindow>

#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

void Step(const char* name)
{
    static const qint64 startNs = qEnvironmentVariable("LYROVAN_STARTUP_CLOCK").toLongLong();
    if (startNs <= 0)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr, "step %s %.3f %ld\n", name,
                 double(qint64(now.tv_sec) * 1000000000LL + now.tv_nsec - startNs) / 1e6, usage.ru_minflt);
}

class Window : public QMainWindow {
protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            Step("painted");
        }
        return QMainWindow::event(event);
    }

private:
    bool m_painted = false;
};

} // namespace

int main(int argc, char* argv[])
{
    Step("main");
    QApplication app(argc, argv);
    Step("application");
    Window window;
    window.resize(588, 271);
    window.show();
    return app.exec();
}
