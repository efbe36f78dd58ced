#pragma once
// The audio outputs the synthesizer can play through, and the order in which
// they are tried.
//
// "pulseaudio" is the program's own PulseAudio client (PipeWire desktops
// serve it too): FluidSynth's would name the stream "FluidSynth output" in
// the desktop's mixer, this one names it "Lyrovan". Every other name is one
// of FluidSynth's audio drivers (alsa, jack, sdl2, oss, file, ...).
//
// Buffers: periods of PeriodFrames frames, Periods of them queued. At 44.1
// kHz a period is 5.8 ms, so a note reaches the speakers 11.6 to 17.4 ms after
// it is played, well inside a strum's tick; two periods is the least that
// keeps one being played while the next is rendered, and a 256-frame period
// gives the renderer 5.8 ms of slack against a busy machine.

#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>

namespace lyrovan {

class GmSynth;

inline constexpr int PeriodFrames = 256;
inline constexpr int Periods = 2;

// What to open: one driver, its device (empty: the driver's default) and
// further FluidSynth settings (e.g. "audio.file.name").
struct AudioRequest {
    QString driver;
    QString device;
    int periodFrames = PeriodFrames;
    int periods = Periods;
    QMap<QString, QString> settings;
};

// A running output: it renders the synthesizer on its own thread until it
// is destroyed.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    virtual QString driver() const = 0;
    // True once the output has stopped playing by itself (its sound server
    // went away); it is then replaced, not reused.
    virtual bool failed() const { return false; }
};

// Starts the output; null on failure, with the cause in *error.
std::unique_ptr<AudioOutput> StartAudioOutput(GmSynth& synth, const AudioRequest& request, QString* error);

// The drivers this FluidSynth offers, by name.
QStringList AvailableAudioDrivers();

// The order of the fallback when the user names no driver.
QStringList DefaultAudioDrivers();

// The drivers to try, in order: the one named (if FluidSynth offers it),
// then the default order without it. A name FluidSynth does not offer is
// left out, with a message for standard error in *error.
QStringList AudioDriverChain(const QString& named, QString* error);

} // namespace lyrovan
