#pragma once
// The audio outputs the synthesizer can play through, and the order in which
// they are tried.
//
// "pulseaudio" is the program's own PulseAudio client (PipeWire desktops
// serve it too): FluidSynth's would name the stream "FluidSynth output" in
// the desktop's mixer, this one names it "Lyrovan". Every other name is one
// of FluidSynth's audio drivers (alsa, jack, sdl2, oss, file, ...). Either
// way the output's audio thread renders the synthesizer through a
// SynthRenderer, which sounds each message on the frame it is due.
//
// Buffers: the PulseAudio stream asks for blocks of PeriodFrames frames and
// keeps BufferFrames queued; FluidSynth's drivers play periods of
// PeriodFrames, BufferFrames / PeriodFrames of them. README's Sound section
// gives the sizes measured against dropouts on a busy two-core machine.
//
// Nothing here ever waits on a sound server without a deadline: the
// PulseAudio client connects within ConnectTimeoutMs or fails, and a server
// that stops answering makes an output stall (the renderer is no longer
// asked for sound), which FluidSynthOut notices and lets go of.

#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>

namespace lyrovan {

class GmSynth;
class SynthRenderer;

inline constexpr int PeriodFrames = 256;
inline constexpr int BufferFrames = 1024;
inline constexpr int ConnectTimeoutMs = 2000;

// What to open: one driver, its device (empty: the driver's default) and
// further FluidSynth settings (e.g. "audio.file.name").
struct AudioRequest {
    QString driver;
    QString device;
    int periodFrames = PeriodFrames;
    int bufferFrames = BufferFrames;
    // How long after its due time every message is heard.
    qint64 latencyNs = 0;
    // Real-time priority for the audio thread (1..99), where the system
    // allows it; 0: none.
    int realtimePriority = 0;
    QMap<QString, QString> settings;
};

// A running output: it plays the synthesizer on a thread of its own until it
// is destroyed. Destroying it never waits on the sound server, but may wait
// for one of FluidSynth's driver threads: let go of outputs with Abandon().
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    virtual QString driver() const = 0;
    virtual SynthRenderer& renderer() = 0;
    // Why the output stopped playing by itself (its sound server went away);
    // empty while it plays. It is then replaced, not reused.
    virtual QString failure() const { return {}; }
    // A paused output asks for no sound and keeps the device free for
    // others; not every driver can pause.
    virtual bool canPause() const { return false; }
    virtual void pause(bool paused) { (void)paused; }
    // Blocks the server found empty (dropouts) so far.
    virtual int underflows() const { return 0; }
    // Whether the audio thread got real-time priority (known once it ran).
    virtual bool realtime() const { return false; }
};

// Starts the output, paused if it can pause and paused is true; null on
// failure, with the cause in *error. May take up to ConnectTimeoutMs:
// call it off the window's thread.
std::unique_ptr<AudioOutput> StartAudioOutput(const std::shared_ptr<GmSynth>& synth, const AudioRequest& request,
                                              bool paused, QString* error);

// Lets go of an output on a thread of its own, which ends once the output
// is gone: a driver stuck on a sound server that stopped answering must
// hold up nobody, not even the program's exit.
void Abandon(std::unique_ptr<AudioOutput> output);

// The drivers this FluidSynth offers, by name.
QStringList AvailableAudioDrivers();

// The order of the fallback when the user names no driver.
QStringList DefaultAudioDrivers();

// The drivers to try, in order: the one named (if FluidSynth offers it),
// then the default order without it. A name FluidSynth does not offer is
// left out, with a message for standard error in *error.
QStringList AudioDriverChain(const QString& named, QString* error);

// Sets the environment so that the libraries under the audio drivers (SDL,
// ALSA's PulseAudio plug-in) name the program "Lyrovan" in the desktop's
// mixer, unless the user set it otherwise, and keeps SDL from taking over
// SIGINT and SIGTERM; programs the program starts do not inherit it. Call
// it on the main thread before any output starts.
void NameProgramForSoundServers();

// Keeps the libraries under the audio drivers and soundfont readers (ALSA,
// JACK, libinstpatch) from printing on standard error: their failures reach
// the user through the driver's or the loader's error.
// A write to a sound server that went away (JACK's client library writes
// to its socket without guarding against that) fails instead of ending
// the program with SIGPIPE.
void QuietAudioLibraries();

} // namespace lyrovan
