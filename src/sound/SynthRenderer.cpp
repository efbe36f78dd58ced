#include "SynthRenderer.h"

#include "GmSynth.h"
#include "MidiOut.h"

#include <algorithm>

namespace lyrovan {

SynthRenderer::SynthRenderer(std::shared_ptr<GmSynth> synth, qint64 latencyNs)
    : m_synth(std::move(synth)), m_latencyNs(latencyNs), m_rate(m_synth->sampleRate())
{
}

SynthRenderer::~SynthRenderer() = default;

void SynthRenderer::post(std::uint32_t message, qint64 dueNs)
{
    post(message, dueNs, false);
}

void SynthRenderer::postAllNotesOff(qint64 dueNs)
{
    post(0, dueNs, true);
}

void SynthRenderer::playAtOnce()
{
    m_atOnce = true;
}

void SynthRenderer::post(std::uint32_t message, qint64 dueNs, bool allNotesOff)
{
    if (m_atOnce) {
        std::lock_guard<std::mutex> lock(m_renderMutex);
        if (!m_stopped)
            play(allNotesOff ? 0 : message);
        return;
    }
    std::lock_guard<std::mutex> lock(m_postMutex);
    m_posted.push_back(Message{dueNs + m_latencyNs, m_order++, allNotesOff ? 0 : message});
}

void SynthRenderer::play(std::uint32_t message)
{
    if (message == 0)
        m_synth->allNotesOff();
    else
        m_synth->shortMessage(message);
}

void SynthRenderer::render(float* left, float* right, int step, int frames, qint64 headNs)
{
    std::lock_guard<std::mutex> lock(m_renderMutex);
    m_lastRenderNs = MonotonicNs();
    if (m_stopped || frames <= 0) {
        for (int k = 0; k < frames; ++k)
            left[k * step] = right[k * step] = 0.0f;
        return;
    }

    // Frame m_frames is heard at headNs; the mapping follows only when it
    // has strayed too far, and during a strum only when it is lost.
    const qint64 mapped = m_mapNs + qint64(double(m_frames - m_mapFrame) * 1e9 / m_rate);
    const bool quiet = m_placed.empty() && double(m_frames - m_lastPlaced) * 1e9 / m_rate > double(QuietNs);
    const qint64 stray = std::abs(headNs - mapped);
    if (!m_mapped || stray > LostNs || (quiet && stray > MappingSlackNs)) {
        if (m_mapped)
            ++m_remappings;
        m_mapped = true;
        m_mapNs = headNs;
        m_mapFrame = m_frames;
    }

    std::vector<Message> arrived;
    {
        std::lock_guard<std::mutex> posted(m_postMutex);
        arrived.swap(m_posted);
    }
    for (const Message& message : arrived) {
        std::int64_t frame = m_mapFrame + std::int64_t(double(message.heardNs - m_mapNs) * m_rate / 1e9);
        if (frame < m_frames) {
            ++m_late;
            frame = m_frames;
        }
        const Placed placed{frame, message.order, message.message};
        m_lastPlaced = std::max(m_lastPlaced, frame);
        m_placed.insert(std::upper_bound(m_placed.begin(), m_placed.end(), placed,
                                         [](const Placed& a, const Placed& b) {
                                             return a.frame != b.frame ? a.frame < b.frame : a.order < b.order;
                                         }),
                        placed);
    }

    // The block in pieces, each message played where its piece starts.
    int done = 0;
    auto next = m_placed.begin();
    while (done < frames) {
        while (next != m_placed.end() && next->frame <= m_frames + done) {
            play(next->message);
            ++next;
        }
        const int until = next == m_placed.end()
                              ? frames
                              : int(std::min<std::int64_t>(frames, next->frame - m_frames));
        m_synth->write(left + done * step, right + done * step, step, until - done);
        done = until;
    }
    m_placed.erase(m_placed.begin(), next);
    m_frames += frames;
}

void SynthRenderer::stop()
{
    std::lock_guard<std::mutex> lock(m_renderMutex);
    m_stopped = true;
}

qint64 SynthRenderer::lastRenderNs() const
{
    return m_atOnce ? MonotonicNs() : qint64(m_lastRenderNs);
}

int SynthRenderer::lateMessages() const
{
    return m_late;
}

} // namespace lyrovan
