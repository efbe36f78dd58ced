#include "FluidSynthOut.h"

#include <fluidsynth.h>

#include <QAbstractEventDispatcher>
#include <QThread>
#include <algorithm>
#include <array>

namespace lyrovan {

namespace {

// Steps of a fade-out of the master gain; FluidSynth smooths each step over
// one 64-sample block, so ten steps make an even ramp.
constexpr int FadeSteps = 10;

} // namespace

FluidSynthOut::FluidSynthOut() : FluidSynthOut(FluidSynthOptions{}) {}

FluidSynthOut::FluidSynthOut(FluidSynthOptions options) : m_options(std::move(options))
{
    QObject::connect(&m_releaseTimer, &QTimer::timeout, &m_releaseTimer,
                     [this] { onReleaseTimer(); });
}

FluidSynthOut::~FluidSynthOut()
{
    m_releaseTimer.stop();
    fadeOutNow();
    releaseAudio();
    m_synth.reset();
}

std::int32_t FluidSynthOut::open(std::int32_t deviceId)
{
    if (deviceId != -1) {
        m_error = QStringLiteral("There is no MIDI output device %1").arg(deviceId);
        return UnknownDevice;
    }
    if (m_open)
        return Opened;

    if (!m_synth) {
        m_synth = std::make_unique<GmSynth>(
            m_options.soundFontPaths.value_or(GmSynth::defaultSoundFontPaths()));
        if (!m_synth->isLoaded()) {
            // Dropped so that the next open looks again: the soundfont may
            // have been installed in the meantime.
            m_error = m_synth->errorText();
            m_synth.reset();
            return NoSynthesizer;
        }
        m_gain = fluid_synth_get_gain(m_synth->synth());
    }

    if (m_driver) {
        // Still fading out from the last close: play on through it.
        m_releaseTimer.stop();
        if (m_fadeSteps > 0) {
            m_fadeSteps = 0;
            m_synth->allSoundsOff();
            setLevel(1.0);
        }
    } else {
        for (auto it = m_options.audioSettings.cbegin(); it != m_options.audioSettings.cend(); ++it) {
            if (!m_synth->setSetting(it.key(), it.value())) {
                m_error = QStringLiteral("Could not set the audio setting %1 to \"%2\"")
                              .arg(it.key(), it.value());
                return NoAudioOutput;
            }
        }
        FluidErrorCapture capture;
        m_driver = new_fluid_audio_driver(m_synth->settings(), m_synth->synth());
        if (!m_driver) {
            m_error = QStringLiteral("No sound output could be opened");
            if (!capture.text().isEmpty())
                m_error += QStringLiteral(": ") + capture.text();
            return NoAudioOutput;
        }
    }
    m_error.clear();
    m_open = true;
    return Opened;
}

void FluidSynthOut::shortMessage(std::uint32_t message)
{
    if (m_open)
        m_synth->shortMessage(message);
}

void FluidSynthOut::close()
{
    if (!m_open)
        return;
    m_open = false;
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
    if (m_synth)
        fluid_synth_set_gain(m_synth->synth(), m_gain * static_cast<float>(level));
}

void FluidSynthOut::releaseAudio()
{
    if (m_driver) {
        delete_fluid_audio_driver(m_driver);
        m_driver = nullptr;
    }
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
    if (!m_driver || !m_synth || m_synth->activeVoiceCount() == 0)
        return;
    const auto stepMs = static_cast<unsigned long>(std::max(1, m_options.fadeOutMs / FadeSteps));
    for (int step = std::min(m_fadeSteps > 0 ? m_fadeSteps : FadeSteps, FadeSteps) - 1; step >= 0;
         --step) {
        setLevel(double(step) / FadeSteps);
        QThread::msleep(stepMs);
    }
    m_fadeSteps = 0;
    m_synth->allSoundsOff();
}

} // namespace lyrovan
