// Summaries of timing samples (milliseconds, counts), for the benchmark and the live pass
// timing: percentiles by linear interpolation between closest ranks, so the median of an even
// count is the mean of the middle two and a percentile never lies outside the samples. Pure
// logic; no GL.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numeric>
#include <vector>

// The p-th percentile (p in 0..100, clamped) of count samples sorted ascending; NaN for none.
// Reads in place, so a caller with its samples on the stack allocates nothing.
inline double percentileOfSorted(const double* sorted, std::size_t count, double p)
{
    if (count == 0)
        return std::numeric_limits<double>::quiet_NaN();
    const double clamped = std::min(100.0, std::max(0.0, p));
    const double rank = clamped / 100.0 * double(count - 1);
    const std::size_t below = std::size_t(std::floor(rank));
    const std::size_t above = std::min(below + 1, count - 1);
    const double fraction = rank - double(below);
    return sorted[below] + (sorted[above] - sorted[below]) * fraction;
}

// The p-th percentile (p in 0..100, clamped) of the samples, in any order; NaN for none.
inline double percentile(std::vector<double> samples, double p)
{
    std::sort(samples.begin(), samples.end());
    return percentileOfSorted(samples.data(), samples.size(), p);
}

struct Summary {
    std::size_t count = 0;
    double median = std::numeric_limits<double>::quiet_NaN();
    double p95 = std::numeric_limits<double>::quiet_NaN();
    double mean = std::numeric_limits<double>::quiet_NaN();
    double max = std::numeric_limits<double>::quiet_NaN();
};

inline Summary summarize(const std::vector<double>& samples)
{
    Summary summary;
    summary.count = samples.size();
    if (samples.empty())
        return summary;
    summary.median = percentile(samples, 50.0);
    summary.p95 = percentile(samples, 95.0);
    summary.mean = std::accumulate(samples.begin(), samples.end(), 0.0) / double(samples.size());
    summary.max = *std::max_element(samples.begin(), samples.end());
    return summary;
}
