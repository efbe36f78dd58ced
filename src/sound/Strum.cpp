#include "Strum.h"

#include "errors/RuntimeError.h"

namespace lyrovan {

namespace {

struct StepRow {
    int string;
    int guitarNote;
    int bassNote; // 0: a bass strum ends at this step
};

// Steps 1..6, string 6 to string 1, standard tuning; the bass an octave lower.
constexpr StepRow StepTable[6] = {
    {6, 40, 28}, {5, 45, 33}, {4, 50, 38}, {3, 55, 43}, {2, 59, 0}, {1, 64, 52},
};

void CheckByte(int value)
{
    if (value < 0 || value > 127)
        throw RuntimeError(RuntimeError::Overflow, QStringLiteral("Overflow"));
}

} // namespace

StrumStepPlan PlanStrumStep(int step, bool bass)
{
    if (step < 1 || step > 6)
        return {true, 0, 0};
    const StepRow& row = StepTable[step - 1];
    if (bass && row.bassNote == 0)
        return {true, 0, 0};
    return {false, row.string, bass ? row.bassNote : row.guitarNote};
}

std::optional<int> ColumnOffset(const QStringList& cells, int positionFret)
{
    int offset = 0;
    for (int row = 0; row < cells.size(); ++row) {
        const QString& cell = cells[row];
        if (cell == QStringLiteral("X"))
            return std::nullopt;
        if (cell != QStringLiteral(" "))
            offset = positionFret + row;
    }
    return offset;
}

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
