#pragma once
// The MIDI output the strum plays through: open a device, send packed short
// messages, close. The program hands the strum the built-in synthesizer;
// tests hand it a recorder; NullMidiOut stands in where there is none.
//
// A packed short message is status + data1 * 256 + data2 * 65536.

#include <QString>
#include <cstdint>
#include <functional>

namespace lyrovan {

class MidiOut {
public:
    virtual ~MidiOut() = default;
    // Gets ready so that the first open is quick: loads what an open needs
    // without holding up the calling thread. Optional; open() works without.
    virtual void prepare() {}
    // Opens device deviceId (-1: the default synthesizer). 0 on success,
    // anything else on failure.
    virtual std::int32_t open(std::int32_t deviceId) = 0;
    // Sends one packed short message; does nothing while no device is open.
    virtual void shortMessage(std::uint32_t message) = 0;
    // Closes the device; does nothing while none is open.
    virtual void close() = 0;
    // Why the last open failed and what helps, for the user; empty when
    // there is nothing to tell.
    virtual QString failureText() const { return {}; }
    // An open made while prepare()'s work was still going reports success
    // at once and plays its messages once the output is ready. Should the
    // output then fail to open after all, report is called (on the thread
    // that opened) instead.
    virtual void whenOpenFailsLater(std::function<void()> report) { (void)report; }
};

// No MIDI output at all: every open fails, and nothing is ever sent.
class NullMidiOut final : public MidiOut {
public:
    std::int32_t open(std::int32_t) override { return -1; }
    void shortMessage(std::uint32_t) override {}
    void close() override {}
};

// Packs a note-on: 0x90 + channel + note * 256 + velocity * 65536. The note
// travels as a 16-bit value: a note outside 0..127 cannot be packed and
// raises the overflow error (6).
std::uint32_t PackNoteOn(int channel, int note, int velocity);
// Packs a program change for channel 0: 0xC0 + program * 256.
std::uint32_t PackProgramChange(int program);

} // namespace lyrovan
