#pragma once
// Small helpers shared by the benchmarks: order statistics of samples, and
// a message presenter that keeps quiet so that no benchmark waits on a box.

#include "app/frmMain.h"
#include "errors/MessagePresenter.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <vector>

namespace lyrovan::bench {

// The q-quantile (0..1) of samples, nearest rank.
inline double Quantile(std::vector<double> samples, double q)
{
    if (samples.empty())
        return 0.0;
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(samples.size())));
    return samples[std::min(samples.size() - 1, rank == 0 ? 0 : rank - 1)];
}

inline double Median(const std::vector<double>& samples)
{
    return Quantile(samples, 0.5);
}

// Swallows every message box while it lives (start-up may report a missing
// chord database, a strum a missing sound device).
class SilentPresenter final : public MessagePresenter {
public:
    SilentPresenter() { setMessagePresenter(this); }
    ~SilentPresenter() override { setMessagePresenter(nullptr); }
    SilentPresenter(const SilentPresenter&) = delete;
    SilentPresenter& operator=(const SilentPresenter&) = delete;
    void show(const QString&, const QString&, MessageIcon) override {}
};

// The main window's outside parts as the build lays them out: the program's
// folder beside bench/ (bin/, with the shipped Chords.mdb) and midi.
inline MainWindowParts ShippedParts(MidiOut* midi = nullptr)
{
    MainWindowParts parts;
    parts.programFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    parts.midi = midi;
    return parts;
}

} // namespace lyrovan::bench
