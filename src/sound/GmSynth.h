#pragma once
// The built-in General MIDI synthesizer: FluidSynth's settings, synthesizer
// and one General MIDI soundfont, without any audio output of its own.
// FluidSynthOut puts an audio driver on top of it; tests render straight into
// a buffer.

#include <fluidsynth/types.h>

#include <QString>
#include <QStringList>
#include <cstdint>

namespace lyrovan {

class GmSynth {
public:
    // The soundfonts the program looks for when none is named, in order
    // (see SoundFonts.h).
    static QStringList defaultSoundFontPaths();

    // Creates the synthesizer and loads the first soundfont of soundFontPaths
    // that reads and has the General MIDI guitars and basses (programs 24 to
    // 39 of bank 0). .sf2 and compressed .sf3 files both load. Check
    // isLoaded(); errorText() says why it is not.
    explicit GmSynth(const QStringList& soundFontPaths = defaultSoundFontPaths(),
                     double sampleRate = 44100.0);
    ~GmSynth();
    GmSynth(const GmSynth&) = delete;
    GmSynth& operator=(const GmSynth&) = delete;

    bool isLoaded() const { return m_soundFontId >= 0; }
    const QString& errorText() const { return m_error; }
    // Each soundfont that was tried and failed, as "file: cause".
    const QStringList& failures() const { return m_failures; }
    const QString& soundFontPath() const { return m_soundFontPath; }
    double sampleRate() const { return m_sampleRate; }

    // Plays a packed short message (status + data1 * 256 + data2 * 65536).
    // Program change and note-on are played; every other status is ignored.
    void shortMessage(std::uint32_t message);
    // Releases every note on every channel: each fades with its own release.
    void allNotesOff();
    // Silences every voice at once.
    void allSoundsOff();
    int activeVoiceCount() const;

    // Renders frames of interleaved stereo samples (left, right, left, ...)
    // into out, which holds 2 * frames floats. Needs no audio driver; do not
    // call it while an audio driver plays this synthesizer.
    bool render(float* out, int frames);
    // Renders frames frames: frame k into left[k * step] and right[k * step].
    bool write(float* left, float* right, int step, int frames);

    // With the samples of a soundfont read only as its instruments are
    // chosen, reads those of programs first..last now and keeps them read:
    // each stays chosen on a channel of its own above the sixteen that
    // play. A program change to one of them then reads nothing.
    void keepProgramsLoaded(int first, int last);

    // Sets one FluidSynth setting by name (a number, an integer or a text,
    // whichever the setting is). Audio settings take effect with the next
    // audio driver.
    bool setSetting(const QString& name, const QString& value);

    // For the audio driver; null unless isLoaded().
    fluid_settings_t* settings() const { return m_settings; }
    fluid_synth_t* synth() const { return m_synth; }

private:
    bool loadSoundFont(const QStringList& soundFontPaths);
    bool hasGuitarsAndBasses(int soundFontId) const;

    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    int m_soundFontId = -1;
    double m_sampleRate;
    QString m_soundFontPath;
    QString m_error;
    QStringList m_failures;
};

// Collects the errors FluidSynth reports on this thread while it lives, instead
// of letting FluidSynth print them to the console. Installs the program's
// FluidSynth log handler on first use; warnings and notes go to the
// "lyrovan.sound" logging category, which is quiet unless enabled.
class FluidErrorCapture {
public:
    FluidErrorCapture();
    ~FluidErrorCapture();
    FluidErrorCapture(const FluidErrorCapture&) = delete;
    FluidErrorCapture& operator=(const FluidErrorCapture&) = delete;

    // The errors so far, joined by "; "; empty if none.
    const QString& text() const { return m_text; }
    void append(const QString& message);

private:
    FluidErrorCapture* m_outer;
    QString m_text;
};

} // namespace lyrovan
