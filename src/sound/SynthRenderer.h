#pragma once
// Renders the synthesizer for an audio output and sounds each MIDI message
// at the sample where it is due, on the audio clock rather than when the
// window's thread got round to sending it.
//
// Any thread posts messages, each with the time it is due (CLOCK_MONOTONIC
// nanoseconds); every message is heard one constant latency after its due
// time. The output's audio thread calls render() for each block it plays,
// with the time at which the block's first frame will be heard. The
// renderer keeps a mapping from that clock to its own count of frames and
// places every message on the frame where it is to be heard; a message
// that arrives too late for that sounds at the start of the block.
//
// The mapping is renewed only between strums (no message placed for
// QuietNs) when the output's timing strays from it by more than
// MappingSlackNs (a clock drifting over minutes, an output just resumed),
// so that the notes of a strum keep their spacing to the frame; during a
// strum only when it strays by more than LostNs (the output lost its
// footing). FluidSynth itself applies a message at the start of its next
// 64-frame block: a note sounds up to 1.45 ms after its frame.

#include <QtGlobal>

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

namespace lyrovan {

class GmSynth;

class SynthRenderer {
public:
    static constexpr qint64 MappingSlackNs = 4'000'000;
    static constexpr qint64 QuietNs = 500'000'000;
    static constexpr qint64 LostNs = 50'000'000;

    SynthRenderer(std::shared_ptr<GmSynth> synth, qint64 latencyNs);

    // For an output that renders the synthesizer by itself (FluidSynth's
    // file driver): messages are played as they are posted, and the output
    // never counts as stalled.
    void playAtOnce();
    ~SynthRenderer();
    SynthRenderer(const SynthRenderer&) = delete;
    SynthRenderer& operator=(const SynthRenderer&) = delete;

    // From any thread: message is heard latency after dueNs.
    void post(std::uint32_t message, qint64 dueNs);
    // Releases every note (they fade with their own release), heard
    // latency after dueNs, after every message posted before.
    void postAllNotesOff(qint64 dueNs);

    // From the output's audio thread: renders frames frames; left[k * step]
    // and right[k * step] are frame k. headNs is when frame 0 will be heard.
    void render(float* left, float* right, int step, int frames, qint64 headNs);
    // After this returns, render() only writes silence and never touches
    // the synthesizer again. Waits for a render under way, if any.
    void stop();

    // When render() last ran (0: never), how many messages it played later
    // than due, and how often the mapping to the output's clock was renewed.
    qint64 lastRenderNs() const;
    int lateMessages() const;
    int remappings() const { return m_remappings; }

private:
    struct Message {
        qint64 heardNs;
        std::uint64_t order;
        std::uint32_t message; // 0: all notes off
    };
    struct Placed {
        std::int64_t frame;
        std::uint64_t order;
        std::uint32_t message;
    };

    void post(std::uint32_t message, qint64 dueNs, bool allNotesOff);
    void play(std::uint32_t message);

    const std::shared_ptr<GmSynth> m_synth;
    const qint64 m_latencyNs;
    const double m_rate;

    mutable std::mutex m_postMutex; // guards m_posted, m_order
    std::vector<Message> m_posted;
    std::uint64_t m_order = 0;

    std::atomic<bool> m_atOnce{false};

    mutable std::mutex m_renderMutex; // guards what follows
    bool m_stopped = false;
    std::vector<Placed> m_placed; // sorted by frame, then order
    std::int64_t m_frames = 0;    // frames rendered so far
    std::int64_t m_lastPlaced = std::numeric_limits<std::int64_t>::min() / 2; // frame of the last message placed
    bool m_mapped = false;
    qint64 m_mapNs = 0;           // frame m_mapFrame is heard at m_mapNs
    std::int64_t m_mapFrame = 0;
    std::atomic<qint64> m_lastRenderNs{0};
    std::atomic<int> m_late{0};
    std::atomic<int> m_remappings{0};
};

} // namespace lyrovan
