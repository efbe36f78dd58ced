#include "Onsets.h"

#include "sound/GmSynth.h"
#include "sound/MidiOut.h"

#include <algorithm>
#include <cmath>

namespace lyrovan::test {

std::vector<float> NoteSound(const QString& soundFont, int program, int note, int velocity, int frames)
{
    GmSynth synth({soundFont});
    if (!synth.isLoaded())
        return {};
    synth.shortMessage(PackProgramChange(program));
    synth.shortMessage(PackNoteOn(0, note, velocity));
    std::vector<float> stereo(2 * std::size_t(frames));
    synth.render(stereo.data(), frames);
    std::vector<float> mono(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = 0.5f * (stereo[2 * i] + stereo[2 * i + 1]);
    return mono;
}

std::vector<std::optional<std::size_t>> NoteOnsets(const std::vector<float>& samples,
                                                   const std::vector<std::vector<float>>& sounds,
                                                   const std::vector<std::size_t>& expected, std::size_t window)
{
    constexpr std::size_t Match = 2048; // what is compared: the first 46 ms of each note
    std::vector<double> rest(samples.begin(), samples.end());
    std::vector<std::optional<std::size_t>> onsets;
    for (std::size_t k = 0; k < sounds.size() && k < expected.size(); ++k) {
        const std::vector<float>& sound = sounds[k];
        const std::size_t length = std::min(Match, sound.size());
        const std::size_t from = expected[k] > window ? expected[k] - window : 0;
        const std::size_t to = std::min(expected[k] + window, rest.size() > length ? rest.size() - length : 0);
        double best = 0.0;
        std::optional<std::size_t> onset;
        for (std::size_t lag = from; lag < to; ++lag) {
            double agree = 0.0;
            double energy = 0.0;
            for (std::size_t i = 0; i < length; ++i) {
                agree += rest[lag + i] * double(sound[i]);
                energy += rest[lag + i] * rest[lag + i];
            }
            const double score = energy > 0.0 ? agree / std::sqrt(energy) : 0.0;
            if (score > best) {
                best = score;
                onset = lag;
            }
        }
        onsets.push_back(onset);
        if (!onset)
            continue;
        // The note as loud as it is here, taken out of what is left.
        double agree = 0.0;
        double power = 0.0;
        for (std::size_t i = 0; i < length; ++i) {
            agree += rest[*onset + i] * double(sound[i]);
            power += double(sound[i]) * double(sound[i]);
        }
        const double gain = power > 0.0 ? agree / power : 0.0;
        for (std::size_t i = 0; i < sound.size() && *onset + i < rest.size(); ++i)
            rest[*onset + i] -= gain * double(sound[i]);
    }
    return onsets;
}

int DropoutsIn(const std::vector<float>& x, std::size_t from, std::size_t to, std::size_t minimumRun)
{
    int dropouts = 0;
    std::size_t run = 0;
    for (std::size_t i = from; i < std::min(to, x.size()); ++i) {
        run = x[i] == 0.0f ? run + 1 : 0;
        if (run == minimumRun)
            ++dropouts;
    }
    return dropouts;
}

} // namespace lyrovan::test
