#pragma once
// MIDI device -1: the built-in General MIDI synthesizer playing through the
// desktop's audio output.
//
// prepare() loads the synthesizer and its soundfont on a worker thread and
// finds the first audio driver of the fallback order that opens, so that the
// first strum starts as quickly as every later one. An open() while that is
// still going does not wait: it reports success, keeps the messages sent
// meanwhile and plays them once the load is done, or, should the output not
// open after all, calls the handler of whenOpenFailsLater(). Without
// prepare() the first open loads.
//
// close() releases the notes instead of cutting them: they fade out with
// their own release while the audio output keeps playing, and the output is
// given back only once everything is silent (or after a time limit). An open
// in the meantime reuses the running output; later opens start a new output
// on the driver that worked before, which takes milliseconds.
//
// Every failure is told once on standard error (or to `report`), and its
// reason, with what helps, is kept for the warning box's detailed text.

#include "AudioOutput.h"
#include "GmSynth.h"
#include "MidiOut.h"
#include "SoundFonts.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QFuture>
#include <functional>
#include <memory>
#include <optional>

namespace lyrovan {

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
    int periods = Periods;
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
    void close() override;
    QString failureText() const override { return m_error; }
    void whenOpenFailsLater(std::function<void()> report) override { m_openFailedLater = std::move(report); }

    bool isOpen() const { return m_open; }
    // True while an audio output exists, including the fade after close().
    bool hasAudioOutput() const { return m_output != nullptr; }
    // The driver that played last (or was found by prepare()); empty before.
    const QString& audioDriver() const { return m_workingDriver; }
    // True once prepare()'s work is done or taken over by an open.
    bool isPrepared() const { return !m_loadRunning && m_synth != nullptr; }
    // The synthesizer once loaded; null before.
    const GmSynth* synth() const { return m_synth.get(); }
    // Why the last open() failed; empty after a successful one.
    const QString& errorText() const { return m_error; }

    // What a load does, on whichever thread runs it.
    struct Loaded {
        std::unique_ptr<GmSynth> synth;
        SoundFontSearch search;
        QString namedFailure; // the named soundfont's failure, if it had one
        QString driver;       // the first driver that opened; empty: none did, or not tried
        QStringList driverFailures;
    };

private:
    void findChain();
    void adoptLoaded(Loaded loaded);
    void take(Loaded loaded);
    std::int32_t finishOpen();
    bool startOutput();
    void tell(const QString& text);
    void onReleaseTimer();
    void setLevel(double level);
    void releaseAudio();
    void fadeOutNow();

    FluidSynthOptions m_options;
    QStringList m_chain;
    bool m_loadRunning = false;
    // An open while the load runs: its messages wait here for the output.
    bool m_openPending = false;
    QList<std::uint32_t> m_waiting;
    std::function<void()> m_openFailedLater;
    std::unique_ptr<GmSynth> m_synth;
    SoundFontSearch m_search;
    float m_gain = 0.0f; // the synthesizer's own master gain
    std::unique_ptr<AudioOutput> m_output;
    QString m_workingDriver;
    bool m_open = false;
    QString m_error;
    QSet<QString> m_told;
    QTimer m_releaseTimer;
    int m_releaseWaitedMs = 0;
    int m_fadeSteps = 0; // > 0 while the master gain is being turned down
};

} // namespace lyrovan
