#pragma once
// A private PulseAudio server for the tests and benchmarks: its own folder,
// socket and null sink "lyrovan_test", started by the constructor and
// stopped by the destructor, as root or as a normal user. Nothing of the
// user's own sound server or configuration is touched.
//
// MonitorRecorder records what reaches the null sink, through its monitor
// source, with the time each sample was played. The null sink renders in
// blocks of up to two seconds while nothing asks for less, so a recorder is
// best started once, early, and waited for (waitForLiveData) before
// anything is played.

#include "sound/MidiOut.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace lyrovan::test {

class PrivatePulseServer {
public:
    static constexpr int SampleRate = 44100;

    PrivatePulseServer();
    ~PrivatePulseServer();
    PrivatePulseServer(const PrivatePulseServer&) = delete;
    PrivatePulseServer& operator=(const PrivatePulseServer&) = delete;

    bool isRunning() const { return m_running; }
    // Why it did not start.
    const QString& errorText() const { return m_error; }
    // "unix:/path/to/socket"
    QString address() const;
    static QString sinkName() { return QStringLiteral("lyrovan_test"); }

    // Points this process's PulseAudio clients at the server (no autospawn,
    // no cookie in the user's home), and hides ALSA's configuration, so that
    // ALSA cannot reach the server through its PulseAudio plug-in: whatever
    // is heard came through a PulseAudio client of our own. Call before any
    // audio library is used.
    void useInThisProcess() const;

    // Runs pactl against the server; its standard output.
    QString pactl(const QStringList& arguments) const;

    // Stops the server as a debugger would (SIGSTOP), or lets it go on: a
    // server that hangs.
    void hang(bool hung);

private:
    QTemporaryDir m_dir;
    QProcess m_server;
    bool m_running = false;
    QString m_error;
};

class MonitorRecorder {
public:
    // Starts recording the null sink's monitor of the server that this
    // process's clients use, mono, PrivatePulseServer::SampleRate.
    MonitorRecorder();
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    bool isRecording() const { return m_error.isEmpty(); }
    // Waits until samples arrive as they are played (at most timeoutMs).
    bool waitForLiveData(int timeoutMs);
    const QString& errorText() const { return m_error; }

    // The samples so far.
    std::vector<float> samples() const;
    // When sample index was played at the sink, in CLOCK_MONOTONIC
    // nanoseconds (the clock of QElapsedTimer on Linux).
    qint64 sampleTimeNs(std::size_t index) const;
    // The index of the sample played at CLOCK_MONOTONIC time ns.
    std::size_t indexAt(qint64 ns) const;

private:
    void run(void* stream);

    QString m_error;
    mutable std::mutex m_mutex;
    std::vector<float> m_samples;
    qint64 m_startNs = 0;     // when sample 0 was played; the earliest estimate wins
    qint64 m_liveSinceNs = 0; // since when reads have come with a short latency
    std::atomic<bool> m_running{true};
    std::thread m_thread;
};

} // namespace lyrovan::test
