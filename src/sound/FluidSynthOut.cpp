#include "FluidSynthOut.h"

#include "Instruments.h"
#include "SynthRenderer.h"
#include "ui/Background.h"

#include "SoundLibraries.h"

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

// A failure's reason without the full stop some drivers end theirs with,
// so that the list reads "a; b." and not "a.; b..".
QString Reason(QString reason)
{
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return reason;
}

QString NoOutputText(const QStringList& failures)
{
    QStringList reasons;
    for (const QString& failure : failures)
        reasons << Reason(failure);
    return QStringLiteral("No audio output could be opened.\nTried: %1.\n"
                          "Start the desktop's sound server (PulseAudio or PipeWire), or choose a working output "
                          "with --audio-driver NAME and --audio-device DEVICE (or the environment variables "
                          "LYROVAN_AUDIO_DRIVER and LYROVAN_AUDIO_DEVICE).")
        .arg(reasons.isEmpty() ? QStringLiteral("no driver") : reasons.join(QStringLiteral("; ")));
}

AudioRequest RequestFor(const FluidSynthOptions& options, const QString& driver)
{
    AudioRequest request;
    request.driver = driver;
    if (options.audioDeviceDriver.isEmpty() || options.audioDeviceDriver == driver)
        request.device = options.audioDevice;
    request.periodFrames = options.periodFrames;
    request.bufferFrames = options.bufferFrames;
    request.latencyNs = qint64(options.latencyMs) * 1'000'000;
    request.realtimePriority = options.realtimePriority;
    request.settings = options.audioSettings;
    return request;
}

// The first driver of order that opens, paused where it can pause; the
// failures of those before it. A sound server that does not answer ends
// the search: every later driver would reach the same server.
std::unique_ptr<AudioOutput> FirstThatOpens(const std::shared_ptr<GmSynth>& synth, const QStringList& order,
                                            const FluidSynthOptions& options, QStringList* failures)
{
    for (const QString& driver : order) {
        QString why;
        if (std::unique_ptr<AudioOutput> output = StartAudioOutput(synth, RequestFor(options, driver), true, &why))
            return output;
        *failures << driver + QStringLiteral(": ") + why;
        if (why.contains(QStringLiteral("does not answer")))
            break;
    }
    return nullptr;
}

// Loads the synthesizer, its soundfont and the instruments' samples; with
// probe, also starts the first driver of chain that opens. Runs on any
// thread.
FluidSynthOut::Loaded Load(const FluidSynthOptions& options, const QStringList& chain, bool probe)
{
    FluidSynthOut::Loaded loaded;
    if (!LoadSoundLibraries())
        return loaded; // told at the strum
    loaded.chain = chain;
    if (loaded.chain.isEmpty()) {
        QString ignored;
        loaded.chain = AudioDriverChain(QString(), &ignored);
    }
    if (options.soundFontPaths) {
        loaded.search.files = *options.soundFontPaths;
        loaded.search.places = *options.soundFontPaths;
    } else {
        loaded.search = FindSoundFonts(options.soundFont, options.programFolder,
                                       options.fluidDefaultSoundFont ? *options.fluidDefaultSoundFont
                                                                     : FluidDefaultSoundFont(),
                                       QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation));
    }
    loaded.synth = std::make_shared<GmSynth>(loaded.search.files);
    loaded.synth->keepProgramsLoaded(FirstProgram, LastProgram);

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
        loaded.output = FirstThatOpens(loaded.synth, loaded.chain, options, &loaded.driverFailures);
        if (loaded.output) {
            loaded.driver = loaded.output->driver();
            // A driver that cannot pause would play silence meanwhile.
            if (!loaded.output->canPause())
                Abandon(std::move(loaded.output));
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
    // Background work still running is dropped when it ends: its
    // continuation goes with the release timer.
    m_releaseTimer.stop();
    if (m_output && (!m_output->failure().isEmpty() || outputStalled())) {
        Abandon(std::move(m_output));
    } else {
        fadeOutNow();
        releaseAudio();
    }
}

void FluidSynthOut::findChain()
{
    if (m_chain.isEmpty() && LoadSoundLibraries()) {
        QString ignored;
        m_chain = AudioDriverChain(QString(), &ignored);
    }
}

void FluidSynthOut::prepare()
{
    m_prepared = true;
    if (!m_loadRunning && !m_synth)
        loadInBackground();
}

void FluidSynthOut::loadInBackground()
{
    // The sound libraries load on the worker too: the window's thread
    // never maps them.
    m_loadRunning = true;
    const int generation = ++m_generation;
    // Taken over on this object's thread as soon as it is done, so that its
    // failures are told at once.
    WhenDone(
        RunInBackground([options = m_options, chain = m_chain] {
            return std::make_shared<Loaded>(Load(options, chain, true));
        }),
        &m_releaseTimer,
        [this, generation](const std::shared_ptr<Loaded>& loaded) {
            if (generation != m_generation)
                return;
            m_loadRunning = false;
            take(std::move(*loaded));
            resolvePending();
        },
        [this, generation] {
            if (generation != m_generation)
                return;
            m_loadRunning = false;
            resolvePending();
        });
}

void FluidSynthOut::take(Loaded loaded)
{
    m_synth = std::move(loaded.synth);
    m_search = std::move(loaded.search);
    if (m_chain.isEmpty())
        m_chain = std::move(loaded.chain);
    if (!loaded.driver.isEmpty())
        m_workingDriver = loaded.driver;
    if (loaded.output) {
        m_output = std::move(loaded.output);
        m_paused = true;
    }
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

bool FluidSynthOut::outputStalled() const
{
    if (!m_output || m_paused)
        return false;
    const qint64 last = std::max(m_output->renderer().lastRenderNs(), m_resumedNs);
    return MonotonicNs() - last > qint64(m_options.stallLimitMs) * 1'000'000;
}

void FluidSynthOut::letGoOfOutput(const QString& why)
{
    m_error = NoOutputText({m_output->driver() + QStringLiteral(": ") + why});
    tell(m_error);
    m_releaseTimer.stop();
    m_fadeSteps = 0;
    Abandon(std::move(m_output));
    setLevel(1.0);
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
    if (m_output) {
        // A server that went away, or stopped answering while it played:
        // this strum says why, the next one starts a new output.
        QString why = m_output->failure();
        if (why.isEmpty() && outputStalled())
            why = QStringLiteral("the sound server stopped answering");
        if (!why.isEmpty()) {
            letGoOfOutput(why);
            return NoAudioOutput;
        }
    }
    const Outcome outcome = m_loadRunning || m_startRunning ? Outcome::Pending : tryOpen();
    switch (outcome) {
    case Outcome::NoSynthesizer:
        return NoSynthesizer;
    case Outcome::NoAudioOutput:
        return NoAudioOutput;
    case Outcome::Pending:
        m_openPending = true;
        ++m_pendingOpens;
        break;
    case Outcome::Opened:
        break;
    }
    m_error.clear();
    m_open = true;
    return Opened;
}

FluidSynthOut::Outcome FluidSynthOut::tryOpen()
{
    QString missing;
    if (!LoadSoundLibraries(&missing)) {
        m_error = QStringLiteral("The synthesizer cannot be loaded: %1.").arg(missing);
        tell(m_error);
        return Outcome::NoSynthesizer;
    }
    if (!m_synth) {
        if (m_prepared) {
            loadInBackground();
            return Outcome::Pending;
        }
        take(Load(m_options, m_chain, false));
    }
    if (!m_synth->isLoaded()) {
        m_error = NoSoundFontText(m_search, m_synth.get());
        tell(m_error);
        // Dropped so that the next open looks again: a soundfont may have
        // been installed in the meantime.
        m_synth.reset();
        return Outcome::NoSynthesizer;
    }
    if (m_output) {
        // Still fading out from the last close, or waiting paused: play on
        // through it.
        m_releaseTimer.stop();
        if (m_fadeSteps > 0) {
            m_fadeSteps = 0;
            m_synth->allSoundsOff();
            setLevel(1.0);
        }
        if (m_paused) {
            m_paused = false;
            m_resumedNs = MonotonicNs();
            m_output->pause(false);
        }
        return Outcome::Opened;
    }
    if (std::exchange(m_startFailed, false))
        return Outcome::NoAudioOutput;
    // The driver that worked last time first, then the rest in order.
    QStringList order = m_chain;
    if (!m_workingDriver.isEmpty()) {
        order.removeAll(m_workingDriver);
        order.prepend(m_workingDriver);
    }
    if (m_prepared) {
        // Started in the background, as a sound server may take its time.
        startInBackground(order);
        return Outcome::Pending;
    }
    QStringList failures;
    adoptOutput(FirstThatOpens(m_synth, order, m_options, &failures), failures);
    return tryOpen();
}

void FluidSynthOut::adoptOutput(std::unique_ptr<AudioOutput> output, const QStringList& failures)
{
    if (!output) {
        m_startFailed = true;
        m_error = NoOutputText(failures);
        tell(m_error);
        return;
    }
    m_output = std::move(output);
    m_workingDriver = m_output->driver();
    m_paused = true;
}

void FluidSynthOut::startInBackground(const QStringList& order)
{
    m_startRunning = true;
    const int generation = ++m_generation;
    struct Started {
        std::unique_ptr<AudioOutput> output;
        QStringList failures;
        // An output nobody took up (this object went meanwhile) is closed off
        // the thread that drops it: closing may wait for the sound server.
        ~Started()
        {
            if (output)
                Abandon(std::move(output));
        }
    };
    auto start = RunInBackground([synth = m_synth, order, options = m_options] {
        auto started = std::make_shared<Started>();
        started->output = FirstThatOpens(synth, order, options, &started->failures);
        return started;
    });
    WhenDone(start, &m_releaseTimer, [this, generation](const std::shared_ptr<Started>& started) {
        if (generation != m_generation) {
            Abandon(std::move(started->output));
            return;
        }
        m_startRunning = false;
        adoptOutput(std::move(started->output), started->failures);
        resolvePending();
    });
}

void FluidSynthOut::resolvePending()
{
    if (m_pendingOpens == 0 || m_loadRunning || m_startRunning)
        return;
    const Outcome outcome = tryOpen();
    if (outcome == Outcome::Pending)
        return; // the next step goes on in the background
    const bool wanted = m_open; // not closed meanwhile
    const int opens = std::exchange(m_pendingOpens, 0);
    const QList<Waiting> waiting = std::exchange(m_waiting, {});
    m_openPending = false;
    if (outcome == Outcome::Opened) {
        if (wanted) {
            for (const Waiting& message : waiting)
                send(message.message, message.dueNs);
        } else {
            // Closed meanwhile: the output waits paused for the next strum.
            m_open = true;
            close();
        }
        return;
    }
    m_open = false;
    // Each strum that opened meanwhile hears of it, as it would have at once.
    for (int open = 0; open < opens && m_openFailedLater; ++open)
        m_openFailedLater();
}

void FluidSynthOut::send(std::uint32_t message, qint64 dueNs)
{
    if (m_output)
        m_output->renderer().post(message, dueNs);
}

void FluidSynthOut::shortMessage(std::uint32_t message)
{
    shortMessageAt(message, MonotonicNs());
}

void FluidSynthOut::shortMessageAt(std::uint32_t message, qint64 dueNs)
{
    if (m_openPending)
        m_waiting << Waiting{message, dueNs};
    else if (m_open)
        send(message, dueNs);
}

void FluidSynthOut::close()
{
    if (!m_open)
        return;
    m_open = false;
    if (m_openPending) {
        // The output is still coming: nothing waits to be played any more.
        m_waiting.clear();
        return;
    }
    // Released notes fade with their own release while the output keeps
    // playing (the release comes after every note already sent); a timer
    // pauses the output or gives it back once they are silent, so the UI
    // thread never waits. Without an event loop to wait in, it goes at once.
    m_output->renderer().postAllNotesOff(MonotonicNs());
    if (QAbstractEventDispatcher::instance(QThread::currentThread())) {
        m_releaseWaitedMs = 0;
        m_releaseTimer.start(m_options.releasePollMs);
    } else {
        releaseAudio();
    }
}

void FluidSynthOut::onReleaseTimer()
{
    if (!m_output) {
        m_releaseTimer.stop();
        return;
    }
    if (!m_output->failure().isEmpty() || outputStalled()) {
        // Nothing renders the notes to their end any more.
        letGoOfOutput(m_output->failure().isEmpty() ? QStringLiteral("the sound server stopped answering")
                                                    : m_output->failure());
        return;
    }
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
    const bool silent = m_synth->activeVoiceCount() == 0;
    if (silent && m_releaseWaitedMs >= m_options.releaseMinimumMs) {
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
    if (!m_output)
        return;
    if (m_output->canPause()) {
        m_output->pause(true);
        m_paused = true;
    } else {
        Abandon(std::move(m_output));
    }
    // Voices the output did not play to the end would resume with the next
    // strum: they end while nothing is listening. The synthesizer frees
    // stopped voices as it renders, so one block is rendered and dropped.
    m_synth->allSoundsOff();
    std::array<float, 2 * 64> scratch{};
    m_synth->render(scratch.data(), 64);
}

// The same fade-out, waited for on the spot: for the program's exit, when
// there is no time left to let notes fade on their own. Blocks for fadeOutMs
// at most, and only while something is still sounding.
void FluidSynthOut::fadeOutNow()
{
    if (!m_output || m_paused || !m_synth || m_synth->activeVoiceCount() == 0)
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
