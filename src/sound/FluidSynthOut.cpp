#include "FluidSynthOut.h"

#include "ui/Background.h"

#include <fluidsynth.h>

#include <QAbstractEventDispatcher>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <array>
#include <cstdio>

namespace lyrovan {

namespace {

// Steps of a fade-out of the master gain; FluidSynth smooths each step over
// one 64-sample block, so ten steps make an even ramp.
constexpr int FadeSteps = 10;

QString NoSoundFontText(const SoundFontSearch& search, const GmSynth* synth)
{
    QString text = QStringLiteral("No General MIDI soundfont could be loaded.\n");
    text += search.places.isEmpty() ? QStringLiteral("There was no place to look for one.\n")
                                    : QStringLiteral("Looked in: %1.\n").arg(search.places.join(QStringLiteral(", ")));
    if (synth) {
        for (const QString& failure : synth->failures())
            text += failure + QLatin1Char('\n');
    }
    text += QStringLiteral("Install one with the Debian package %1, or name a soundfont with --soundfont FILE "
                           "(or the environment variable LYROVAN_SOUNDFONT).")
                .arg(QString::fromLatin1(SoundFontPackage));
    return text;
}

QString NoOutputText(QStringList failures)
{
    // FluidSynth ends some reasons with a full stop; the list adds its own.
    for (QString& failure : failures) {
        if (failure.endsWith(QLatin1Char('.')))
            failure.chop(1);
    }
    return QStringLiteral("No audio output could be opened.\nTried: %1.\n"
                          "Start the desktop's sound server (PulseAudio or PipeWire), or choose a working output "
                          "with --audio-driver NAME and --audio-device DEVICE (or the environment variables "
                          "LYROVAN_AUDIO_DRIVER and LYROVAN_AUDIO_DEVICE).")
        .arg(failures.isEmpty() ? QStringLiteral("no driver") : failures.join(QStringLiteral("; ")));
}

AudioRequest RequestFor(const FluidSynthOptions& options, const QString& driver)
{
    AudioRequest request;
    request.driver = driver;
    if (options.audioDeviceDriver.isEmpty() || options.audioDeviceDriver == driver)
        request.device = options.audioDevice;
    request.periodFrames = options.periodFrames;
    request.periods = options.periods;
    request.settings = options.audioSettings;
    return request;
}

// Loads the synthesizer and soundfont; with probe, also finds the first
// driver of chain that opens (and closes it again). Runs on any thread.
FluidSynthOut::Loaded Load(const FluidSynthOptions& options, const QStringList& chain, bool probe)
{
    FluidSynthOut::Loaded loaded;
    if (options.soundFontPaths) {
        loaded.search.files = *options.soundFontPaths;
        loaded.search.places = *options.soundFontPaths;
    } else {
        loaded.search = FindSoundFonts(options.soundFont, options.programFolder,
                                       options.fluidDefaultSoundFont ? *options.fluidDefaultSoundFont
                                                                     : FluidDefaultSoundFont(),
                                       QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation));
    }
    loaded.synth = std::make_unique<GmSynth>(loaded.search.files);

    if (!options.soundFont.isEmpty()) {
        const QString prefix = options.soundFont + QStringLiteral(": ");
        for (const QString& failure : loaded.synth->failures()) {
            if (failure.startsWith(prefix)) {
                loaded.namedFailure = QStringLiteral("The soundfont %1 could not be loaded: %2.")
                                          .arg(options.soundFont, failure.mid(prefix.size()));
                if (loaded.synth->isLoaded())
                    loaded.namedFailure += QStringLiteral(" Playing %1 instead.").arg(loaded.synth->soundFontPath());
                break;
            }
        }
    }

    if (probe && loaded.synth->isLoaded()) {
        for (const QString& driver : chain) {
            QString why;
            if (StartAudioOutput(*loaded.synth, RequestFor(options, driver), &why)) {
                loaded.driver = driver;
                break;
            }
            loaded.driverFailures << driver + QStringLiteral(": ") + why;
        }
    }
    return loaded;
}

} // namespace

FluidSynthOut::FluidSynthOut() : FluidSynthOut(FluidSynthOptions{}) {}

FluidSynthOut::FluidSynthOut(FluidSynthOptions options) : m_options(std::move(options))
{
    // The usual order is looked up only when needed: asking FluidSynth
    // costs time that start-up does not have.
    m_chain = m_options.audioDrivers;
    QObject::connect(&m_releaseTimer, &QTimer::timeout, &m_releaseTimer, [this] { onReleaseTimer(); });
}

FluidSynthOut::~FluidSynthOut()
{
    // A load still running is dropped when it ends: its continuation goes
    // with the release timer.
    m_releaseTimer.stop();
    fadeOutNow();
    releaseAudio();
    m_synth.reset();
}

void FluidSynthOut::findChain()
{
    if (m_chain.isEmpty()) {
        QString ignored;
        m_chain = AudioDriverChain(QString(), &ignored);
    }
}

void FluidSynthOut::prepare()
{
    if (m_loadRunning || m_synth)
        return;
    findChain();
    m_loadRunning = true;
    // Taken over on this object's thread as soon as it is done, so that its
    // failures are told at once.
    RunInBackground([options = m_options, chain = m_chain] {
        return std::make_shared<Loaded>(Load(options, chain, true));
    })
        .then(&m_releaseTimer, [this](const std::shared_ptr<Loaded>& loaded) { adoptLoaded(std::move(*loaded)); })
        .onFailed(&m_releaseTimer, [this] { adoptLoaded(Loaded{}); });
}

void FluidSynthOut::adoptLoaded(Loaded loaded)
{
    m_loadRunning = false;
    take(std::move(loaded));
    if (!m_openPending)
        return;
    m_openPending = false;
    m_open = false;
    const QList<std::uint32_t> waiting = std::exchange(m_waiting, {});
    if (finishOpen() != Opened) {
        if (m_openFailedLater)
            m_openFailedLater();
        return;
    }
    for (std::uint32_t message : waiting)
        m_synth->shortMessage(message);
}

void FluidSynthOut::take(Loaded loaded)
{
    m_synth = std::move(loaded.synth);
    m_search = std::move(loaded.search);
    if (!loaded.driver.isEmpty())
        m_workingDriver = loaded.driver;
    if (m_synth && m_synth->isLoaded())
        m_gain = fluid_synth_get_gain(m_synth->synth());
    if (!loaded.namedFailure.isEmpty())
        tell(loaded.namedFailure);
    // Told now, on standard error; the warning box says it again at a strum.
    if (m_synth && !m_synth->isLoaded())
        tell(NoSoundFontText(m_search, m_synth.get()));
    else if (loaded.driver.isEmpty() && !loaded.driverFailures.isEmpty())
        tell(NoOutputText(loaded.driverFailures));
}

void FluidSynthOut::tell(const QString& text)
{
    if (m_told.contains(text))
        return;
    m_told.insert(text);
    if (m_options.report)
        m_options.report(text);
    else
        std::fprintf(stderr, "lyrovan: %s\n", text.toLocal8Bit().constData());
}

std::int32_t FluidSynthOut::open(std::int32_t deviceId)
{
    if (deviceId != -1) {
        m_error = QStringLiteral("There is no MIDI output device %1.").arg(deviceId);
        return UnknownDevice;
    }
    if (m_open)
        return Opened;
    findChain();
    if (m_loadRunning) {
        m_open = true;
        m_openPending = true;
        m_error.clear();
        return Opened;
    }
    return finishOpen();
}

std::int32_t FluidSynthOut::finishOpen()
{
    if (!m_synth)
        take(Load(m_options, m_chain, false));
    if (!m_synth->isLoaded()) {
        m_error = NoSoundFontText(m_search, m_synth.get());
        tell(m_error);
        // Dropped so that the next open looks again: a soundfont may have
        // been installed in the meantime.
        m_synth.reset();
        return NoSynthesizer;
    }

    if (m_output && m_output->failed()) {
        // The sound server went away under the output: start a new one.
        m_releaseTimer.stop();
        m_fadeSteps = 0;
        releaseAudio();
        setLevel(1.0);
    }
    if (m_output) {
        // Still fading out from the last close: play on through it.
        m_releaseTimer.stop();
        if (m_fadeSteps > 0) {
            m_fadeSteps = 0;
            m_synth->allSoundsOff();
            setLevel(1.0);
        }
    } else if (!startOutput()) {
        return NoAudioOutput;
    }
    m_error.clear();
    m_open = true;
    return Opened;
}

bool FluidSynthOut::startOutput()
{
    // The driver that worked last time first, then the rest in order.
    QStringList order = m_chain;
    if (!m_workingDriver.isEmpty()) {
        order.removeAll(m_workingDriver);
        order.prepend(m_workingDriver);
    }
    QStringList failures;
    for (const QString& driver : order) {
        QString why;
        m_output = StartAudioOutput(*m_synth, RequestFor(m_options, driver), &why);
        if (m_output) {
            m_workingDriver = driver;
            return true;
        }
        failures << driver + QStringLiteral(": ") + why;
    }
    m_error = NoOutputText(failures);
    tell(m_error);
    return false;
}

void FluidSynthOut::shortMessage(std::uint32_t message)
{
    if (m_openPending)
        m_waiting << message;
    else if (m_open)
        m_synth->shortMessage(message);
}

void FluidSynthOut::close()
{
    if (!m_open)
        return;
    m_open = false;
    if (std::exchange(m_openPending, false)) {
        m_waiting.clear();
        return;
    }
    // Released notes fade with their own release while the output keeps
    // playing; a timer gives the output back once they are silent, so the UI
    // thread never waits. Without an event loop to wait in, it goes at once.
    m_synth->allNotesOff();
    if (QAbstractEventDispatcher::instance(QThread::currentThread())) {
        m_releaseWaitedMs = 0;
        m_releaseTimer.start(m_options.releasePollMs);
    } else {
        releaseAudio();
    }
}

void FluidSynthOut::onReleaseTimer()
{
    if (m_fadeSteps > 0) {
        --m_fadeSteps;
        setLevel(double(m_fadeSteps) / FadeSteps);
        if (m_fadeSteps == 0) {
            m_releaseTimer.stop();
            releaseAudio();
            setLevel(1.0);
        }
        return;
    }
    m_releaseWaitedMs += m_options.releasePollMs;
    // A dead output renders nothing, so its notes would never end.
    const bool silent = m_synth->activeVoiceCount() == 0 || (m_output && m_output->failed());
    if (silent && (m_releaseWaitedMs >= m_options.releaseMinimumMs || (m_output && m_output->failed()))) {
        m_releaseTimer.stop();
        releaseAudio();
    } else if (!silent && m_releaseWaitedMs >= m_options.releaseLimitMs) {
        // Still ringing: turn it down on the same timer, then let go.
        m_fadeSteps = FadeSteps;
        m_releaseTimer.start(std::max(1, m_options.fadeOutMs / FadeSteps));
    }
}

void FluidSynthOut::setLevel(double level)
{
    if (m_synth && m_synth->synth())
        fluid_synth_set_gain(m_synth->synth(), m_gain * static_cast<float>(level));
}

void FluidSynthOut::releaseAudio()
{
    m_output.reset();
    // Voices the output did not play to the end would resume with the next
    // strum; end them while nothing is listening. The synthesizer frees
    // stopped voices as it renders, so one block is rendered and dropped.
    if (m_synth) {
        m_synth->allSoundsOff();
        std::array<float, 2 * 64> scratch{};
        m_synth->render(scratch.data(), 64);
    }
}

// The same fade-out, waited for on the spot: for the program's exit, when
// there is no time left to let notes fade on their own. Blocks for fadeOutMs
// at most, and only while something is still sounding.
void FluidSynthOut::fadeOutNow()
{
    if (!m_output || !m_synth || m_synth->activeVoiceCount() == 0)
        return;
    const auto stepMs = static_cast<unsigned long>(std::max(1, m_options.fadeOutMs / FadeSteps));
    for (int step = std::min(m_fadeSteps > 0 ? m_fadeSteps : FadeSteps, FadeSteps) - 1; step >= 0; --step) {
        setLevel(double(step) / FadeSteps);
        QThread::msleep(stepMs);
    }
    m_fadeSteps = 0;
    m_synth->allSoundsOff();
}

} // namespace lyrovan
