#pragma once
// MIDI device -1: the built-in General MIDI synthesizer playing through the
// desktop's default audio output.
//
// The soundfont is loaded by the first open, never at start-up, and kept for
// every later strum. close() releases the notes instead of cutting them: they
// fade out with their own release while the audio output keeps playing, and
// the output is given back only once everything is silent (or after a time
// limit). An open in the meantime reuses the running output, so strumming
// again costs nothing; later opens only start a new audio output, which takes
// milliseconds.

#include "GmSynth.h"
#include "MidiOut.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <optional>

namespace lyrovan {

struct FluidSynthOptions {
    // Where to look for the soundfont; unset: GmSynth::defaultSoundFontPaths()
    // at the time of the first open.
    std::optional<QStringList> soundFontPaths;
    // FluidSynth settings for the audio output, e.g. "audio.driver"; empty
    // leaves FluidSynth's own choice of driver and device.
    QMap<QString, QString> audioSettings;
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

    std::int32_t open(std::int32_t deviceId) override;
    void shortMessage(std::uint32_t message) override;
    void close() override;

    bool isOpen() const { return m_open; }
    // True while an audio output exists, including the fade after close().
    bool hasAudioOutput() const { return m_driver != nullptr; }
    // The synthesizer once an open has loaded it; null before.
    const GmSynth* synth() const { return m_synth.get(); }
    // Why the last open() failed; empty after a successful one.
    const QString& errorText() const { return m_error; }

private:
    void onReleaseTimer();
    void setLevel(double level);
    void releaseAudio();
    void fadeOutNow();

    FluidSynthOptions m_options;
    std::unique_ptr<GmSynth> m_synth;
    float m_gain = 0.0f; // the synthesizer's own master gain
    fluid_audio_driver_t* m_driver = nullptr;
    bool m_open = false;
    QString m_error;
    QTimer m_releaseTimer;
    int m_releaseWaitedMs = 0;
    int m_fadeSteps = 0; // > 0 while the master gain is being turned down
};

} // namespace lyrovan
