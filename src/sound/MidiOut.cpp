#include "MidiOut.h"

#include "errors/RuntimeError.h"

namespace lyrovan {

namespace {

void CheckByte(int value)
{
    if (value < 0 || value > 127)
        throw RuntimeError(RuntimeError::Overflow, QStringLiteral("Overflow"));
}

} // namespace

std::uint32_t PackNoteOn(int channel, int note, int velocity)
{
    CheckByte(note);
    return static_cast<std::uint32_t>(0x90 + channel + note * 256 + velocity * 65536);
}

std::uint32_t PackProgramChange(int program)
{
    CheckByte(program);
    return static_cast<std::uint32_t>(0xC0 + program * 256);
}

} // namespace lyrovan
