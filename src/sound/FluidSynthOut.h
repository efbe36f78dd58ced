#pragma once
// MIDI device -1: the built-in General MIDI synthesizer playing through the
// desktop's audio output.
//
// prepare() loads the synthesizer, its soundfont and the guitars' and
// basses' samples in the background and starts the first audio output of
// the fallback order that opens (a PulseAudio stream waits paused), so
// that the first strum starts as promptly as every later one. From then on
// nothing the window's thread asks waits for the synthesizer or a sound
// server: an open while an output is still being started reports success,
// keeps the messages sent meanwhile and plays them once it is ready, or,
// should the output not open after all, calls the handler of
// whenOpenFailsLater(). Without prepare(), open() loads and starts at once.
//
// Every message is heard one constant latency (latencyMs) after it is due:
// a strum's notes keep their beat on the audio clock however late the
// window's thread gets round to each (see SynthRenderer).
//
// close() releases the notes instead of cutting them: they fade out with
// their own release, and the output pauses (or is given back) once
// everything is silent, or after a time limit. An output that stopped asking
// for sound (a sound server that stopped answering) is let go of without
// waiting, and the next open says why it cannot play.
//
// Every failure is told once on standard error (or to `report`), and its
// reason, with what helps, is kept for the warning box's detailed text.

#include "AudioOutput.h"
#include "GmSynth.h"
#include "MidiOut.h"
#include "SoundFonts.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace lyrovan {

// How long after its due time a note is heard: more than the window's timer
// is late under load, plus what the output holds (README, Sound).
inline constexpr int NoteLatencyMs = 45;
// The audio thread's real-time priority, where the system allows it.
inline constexpr int AudioPriority = 20;

struct FluidSynthOptions {
    // The soundfont named by the user (tried first), and the program's folder.
    QString soundFont;
    QString programFolder;
    // FluidSynth's default soundfont; unset: what FluidSynth says.
    std::optional<QString> fluidDefaultSoundFont;
    // The exact list of soundfonts to try, instead of the search.
    std::optional<QStringList> soundFontPaths;
    // The drivers to try, in order; empty: AudioDriverChain(QString()).
    QStringList audioDrivers;
    // The device to play on (empty: the driver's default), for the driver
    // audioDeviceDriver, or for every driver tried when that is empty.
    QString audioDevice;
    QString audioDeviceDriver;
    // Further FluidSynth settings for the audio output, e.g. "audio.file.name".
    QMap<QString, QString> audioSettings;
    int periodFrames = PeriodFrames;
    int bufferFrames = BufferFrames;
    int latencyMs = NoteLatencyMs;
    int realtimePriority = AudioPriority;
    // Where failures are told, each distinct one once; unset: standard error.
    std::function<void(const QString&)> report;
    // After close(), how often to check whether the released notes are silent.
    int releasePollMs = 250;
    // The audio output is kept at least this long after close() (for the
    // reverb's tail) and at most releaseLimitMs; notes still sounding then
    // (a steel string's long release) are faded out over fadeOutMs.
    int releaseMinimumMs = 1000;
    int releaseLimitMs = 5000;
    int fadeOutMs = 100;
    // An output that has asked for no sound for this long while playing
    // has stalled: its sound server stopped answering.
    int stallLimitMs = 1500;
};

class FluidSynthOut final : public MidiOut {
public:
    // What open() returns.
    enum OpenResult : std::int32_t {
        Opened = 0,
        UnknownDevice = 1, // only device -1 exists
        NoSynthesizer = 2, // no soundfont, or FluidSynth failed
        NoAudioOutput = 3, // no sound card, no sound server
    };

    FluidSynthOut();
    explicit FluidSynthOut(FluidSynthOptions options);
    ~FluidSynthOut() override;
    FluidSynthOut(const FluidSynthOut&) = delete;
    FluidSynthOut& operator=(const FluidSynthOut&) = delete;

    void prepare() override;
    std::int32_t open(std::int32_t deviceId) override;
    void shortMessage(std::uint32_t message) override;
    void shortMessageAt(std::uint32_t message, qint64 dueNs) override;
    void close() override;
    QString failureText() const override { return m_error; }
    void whenOpenFailsLater(std::function<void()> report) override { m_openFailedLater = std::move(report); }

    bool isOpen() const { return m_open && !m_openPending; }
    // True while an audio output exists and plays (not paused), including
    // the fade after close().
    bool hasAudioOutput() const { return m_output != nullptr && !m_paused; }
    // The output playing or waiting, if any.
    const AudioOutput* audioOutput() const { return m_output.get(); }
    // The driver that played last (or was found by prepare()); empty before.
    const QString& audioDriver() const { return m_workingDriver; }
    // True once prepare()'s work is done or an open has loaded.
    bool isPrepared() const { return !m_loadRunning && !m_startRunning && m_synth != nullptr; }
    // The synthesizer once loaded; null before.
    const GmSynth* synth() const { return m_synth.get(); }
    // Why the last open() failed; empty after a successful one.
    const QString& errorText() const { return m_error; }

    // What a load does, on whichever thread runs it.
    struct Loaded {
        std::shared_ptr<GmSynth> synth;
        SoundFontSearch search;
        QString namedFailure; // the named soundfont's failure, if it had one
        std::unique_ptr<AudioOutput> output;
        QString driver;       // the first driver that opened; empty: none did, or not tried
        QStringList driverFailures;
        QStringList chain;    // the drivers in the order tried
    };

private:
    enum class Outcome { Opened, Pending, NoSynthesizer, NoAudioOutput };

    void findChain();
    void loadInBackground();
    void take(Loaded loaded);
    Outcome tryOpen();
    void adoptOutput(std::unique_ptr<AudioOutput> output, const QStringList& failures);
    void startInBackground(const QStringList& order);
    void resolvePending();
    bool outputStalled() const;
    void letGoOfOutput(const QString& why);
    void send(std::uint32_t message, qint64 dueNs);
    void tell(const QString& text);
    void onReleaseTimer();
    void setLevel(double level);
    void releaseAudio();
    void fadeOutNow();

    FluidSynthOptions m_options;
    QStringList m_chain;
    bool m_prepared = false;     // prepare() was called: outputs start in the background
    bool m_loadRunning = false;  // the synthesizer loads in the background
    bool m_startRunning = false; // an output starts in the background
    bool m_startFailed = false;  // the last start found no output (told once)
    int m_generation = 0;        // a background start of an older generation is dropped
    std::shared_ptr<GmSynth> m_synth;
    SoundFontSearch m_search;
    float m_gain = 0.0f; // the synthesizer's own master gain
    std::unique_ptr<AudioOutput> m_output;
    bool m_paused = false;
    qint64 m_resumedNs = 0;
    QString m_workingDriver;
    bool m_open = false;
    // Opens while an output is still coming: their messages wait here, and
    // each learns of a failure.
    bool m_openPending = false;
    int m_pendingOpens = 0;
    struct Waiting {
        std::uint32_t message;
        qint64 dueNs;
    };
    QList<Waiting> m_waiting;
    std::function<void()> m_openFailedLater;
    QString m_error;
    QSet<QString> m_told;
    QTimer m_releaseTimer;
    int m_releaseWaitedMs = 0;
    int m_fadeSteps = 0; // > 0 while the master gain is being turned down
};

} // namespace lyrovan
