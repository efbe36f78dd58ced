// Start-up as users see it: from exec to the first pixel the program paints
// on an X server, for the real lyrovan binary and for a bare Qt 6
// QMainWindow of the same size (startup_bare_window), started alternately on
// a private Xvfb that this benchmark starts and stops.
//
// The first pixel is seen from outside: the benchmark watches the screen
// through the X DAMAGE extension and takes the first change after the
// program's exec. Both programs also write their own start-up steps to
// standard error (LYROVAN_STARTUP_CLOCK, see src/app/StartupSteps.h): the
// time and the minor page faults at each, which the benchmark prints as
// medians so that it shows where the time goes.
//
//     bench_startup [runs [program...]]
//
// 21 runs of each by default. Programs named on the command line are run
// in turn with the bare window instead of this build's lyrovan, to compare
// builds or variants of one.

#include "BenchSupport.h"

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace {

qint64 MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// A private X server on a free display, stopped with this object.
class PrivateXServer {
public:
    PrivateXServer()
    {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 3);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        char* const argv[] = {const_cast<char*>("Xvfb"), const_cast<char*>("-displayfd"), const_cast<char*>("3"),
                              const_cast<char*>("-screen"), const_cast<char*>("0"),
                              const_cast<char*>("1280x1024x24"), const_cast<char*>("-nolisten"),
                              const_cast<char*>("tcp"), nullptr};
        const int spawned = posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        if (spawned != 0) {
            m_pid = 0;
            close(pipeFds[0]);
            return;
        }
        // Xvfb writes its display number once it accepts connections.
        char number[16] = {};
        pollfd ready{pipeFds[0], POLLIN, 0};
        if (poll(&ready, 1, 10000) > 0 && read(pipeFds[0], number, sizeof number - 1) > 0)
            m_display = ":" + std::string(number, std::strcspn(number, "\n"));
        close(pipeFds[0]);
    }
    ~PrivateXServer()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    const std::string& display() const { return m_display; }

private:
    pid_t m_pid = 0;
    std::string m_display;
};

// Watches the whole screen for changes.
class ScreenWatch {
public:
    explicit ScreenWatch(const std::string& display)
    {
        m_connection = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(m_connection))
            return;
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(m_connection, &xcb_damage_id);
        if (!damage || !damage->present)
            return;
        m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
        std::free(xcb_damage_query_version_reply(m_connection, xcb_damage_query_version(m_connection, 1, 1), nullptr));
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const xcb_damage_damage_t watch = xcb_generate_id(m_connection);
        // Every drawing on the screen is reported, as a rectangle.
        xcb_damage_create(m_connection, watch, screen->root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        m_ready = true;
        settle();
    }
    ~ScreenWatch() { xcb_disconnect(m_connection); }
    bool ready() const { return m_ready; }

    // Takes every report the server has sent so far.
    void settle()
    {
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            std::free(event);
    }

    // Waits for the next change of the screen; its time, or -1.
    qint64 nextChangeNs(int timeoutMs)
    {
        const qint64 until = MonotonicNs() + qint64(timeoutMs) * 1000000;
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
                const bool damage = (event->response_type & 0x7f) == m_damageEvent;
                std::free(event);
                if (damage)
                    return MonotonicNs();
            }
            const qint64 left = until - MonotonicNs();
            if (left <= 0)
                return -1;
            pollfd ready{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            poll(&ready, 1, int(left / 1000000) + 1);
        }
    }

private:
    xcb_connection_t* m_connection = nullptr;
    int m_damageEvent = -1;
    bool m_ready = false;
};

struct Run {
    double firstPixelMs = -1;
    std::map<std::string, std::pair<double, double>> steps; // step -> ms, minor faults
};

// Starts program on display, takes the time of its first pixel and its
// steps, and ends it.
Run RunOnce(ScreenWatch& screen, const std::string& display, const char* program)
{
    int errPipe[2];
    if (pipe(errPipe) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);

    screen.settle();
    const qint64 startNs = MonotonicNs();
    std::vector<std::string> variables{"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb",
                                       "LYROVAN_STARTUP_CLOCK=" + std::to_string(startNs)};
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0
            && std::strncmp(*e, "LYROVAN_STARTUP_CLOCK=", 22) != 0)
            env.push_back(*e);
    }
    for (std::string& variable : variables)
        env.push_back(variable.data());
    env.push_back(nullptr);
    char* const argv[] = {const_cast<char*>(program), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, env.data());
    posix_spawn_file_actions_destroy(&actions);
    close(errPipe[1]);
    Run run;
    if (spawned != 0) {
        close(errPipe[0]);
        return run;
    }
    const qint64 changed = screen.nextChangeNs(20000);
    if (changed > 0)
        run.firstPixelMs = double(changed - startNs) / 1e6;
    // Its window is up: a moment for the steps after the first paint, then
    // it is ended.
    usleep(150000);
    kill(pid, SIGTERM);
    std::string err;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(errPipe[0], buffer, sizeof buffer)) > 0)
        err.append(buffer, std::size_t(got));
    close(errPipe[0]);
    waitpid(pid, nullptr, 0);
    std::size_t at = 0;
    while ((at = err.find("step ", at)) != std::string::npos) {
        char name[64] = {};
        double ms = 0;
        double faults = 0;
        if (std::sscanf(err.c_str() + at, "step %63s %lf %lf", name, &ms, &faults) == 3)
            run.steps[name] = {ms, faults};
        at += 5;
    }
    usleep(100000); // the screen settles after the window has gone
    return run;
}

using lyrovan::bench::Median;
using lyrovan::bench::Quantile;

} // namespace

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 21;
    PrivateXServer server;
    if (server.display().empty()) {
        std::fprintf(stderr, "bench_startup: could not start Xvfb\n");
        return 1;
    }
    ScreenWatch screen(server.display());
    if (!screen.ready()) {
        std::fprintf(stderr, "bench_startup: the X server has no DAMAGE extension\n");
        return 1;
    }
    std::vector<const char*> programs{LYROVAN_BARE_WINDOW};
    for (int k = 2; k < argc; ++k)
        programs.push_back(argv[k]);
    if (programs.size() == 1)
        programs.push_back(LYROVAN_PROGRAM);
    const std::size_t count = programs.size();
    std::vector<std::vector<Run>> results(count);
    for (const char* program : programs)
        RunOnce(screen, server.display(), program); // warm the page cache
    for (int i = 0; i < runs; ++i)
        for (std::size_t p = 0; p < count; ++p)
            results[p].push_back(RunOnce(screen, server.display(), programs[p]));

    std::vector<std::vector<double>> firstPixel(count);
    for (std::size_t p = 0; p < count; ++p) {
        for (const Run& run : results[p])
            if (run.firstPixelMs > 0)
                firstPixel[p].push_back(run.firstPixelMs);
        if (firstPixel[p].size() != std::size_t(runs)) {
            std::fprintf(stderr, "bench_startup: %s painted nothing\n", programs[p]);
            return 1;
        }
    }
    const double bare = Median(firstPixel[0]);
    std::printf("exec to first painted pixel on Xvfb, %d runs each, alternating\n", runs);
    std::printf("  bare Qt 6 QMainWindow : median %7.2f ms  p90 %7.2f ms\n", bare, Quantile(firstPixel[0], 0.9));
    for (std::size_t p = 1; p < count; ++p) {
        const double ms = Median(firstPixel[p]);
        std::printf("  %-21s : median %7.2f ms  p90 %7.2f ms  ratio %.2f\n", count == 2 ? "Lyrovan" : programs[p], ms,
                    Quantile(firstPixel[p], 0.9), ms / bare);
    }

    // Each step's median time since exec, the median time of the step
    // itself (from the step before, run by run), and its page faults.
    const char* const order[] = {"main", "application", "fonts", "built", "loaded", "painted"};
    const char* const meaning[] = {"exec to main (libraries)", "QApplication (X connection)", "fonts",
                                   "window built", "Form_Load (show, queries)", "first paint event"};
    for (std::size_t p = 0; p < count; ++p) {
        std::printf("%s (median ms since exec / of the step itself / its minor page faults)\n",
                    p == 0 ? "bare window" : count == 2 ? "Lyrovan" : programs[p]);
        std::vector<double> previousMs(std::size_t(runs), 0.0), previousFaults(std::size_t(runs), 0.0);
        for (std::size_t k = 0; k < std::size(order); ++k) {
            std::vector<double> at, own, faults;
            for (std::size_t i = 0; i < results[p].size(); ++i) {
                const auto step = results[p][i].steps.find(order[k]);
                if (step == results[p][i].steps.end())
                    continue;
                at.push_back(step->second.first);
                own.push_back(step->second.first - previousMs[i]);
                faults.push_back(step->second.second - previousFaults[i]);
                previousMs[i] = step->second.first;
                previousFaults[i] = step->second.second;
            }
            if (at.size() == std::size_t(runs))
                std::printf("  %-28s %7.2f  %7.2f  %6.0f\n", meaning[k], Median(at), Median(own), Median(faults));
        }
        std::vector<double> flush;
        for (std::size_t i = 0; i < results[p].size(); ++i)
            flush.push_back(results[p][i].firstPixelMs - previousMs[i]);
        std::printf("  %-28s %7.2f  %7.2f\n", "first pixel on the screen", Median(firstPixel[p]), Median(flush));
    }
    return 0;
}
