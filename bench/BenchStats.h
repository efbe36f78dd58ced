#pragma once
// Small helpers shared by the benchmarks: order statistics of samples.

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

} // namespace lyrovan::bench
