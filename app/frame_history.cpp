// Frame history: the ring and its summary, sorted on the stack so that a frame with the overlay
// shown allocates nothing for it.
#include "app/frame_history.h"

#include "resources/stats.h"

#include <algorithm>
#include <cmath>

void FrameHistory::add(double milliseconds)
{
    if (!std::isfinite(milliseconds) || milliseconds < 0.0)
        return;
    ms[std::size_t(next)] = float(milliseconds);
    next = (next + 1) % kFrames;
    if (count < kFrames)
        ++count;
}

FrameHistory::Figures FrameHistory::figures() const
{
    Figures result;
    if (count == 0)
        return result;
    std::array<double, kFrames> sorted{};
    std::copy(ms.begin(), ms.begin() + count, sorted.begin());
    std::sort(sorted.begin(), sorted.begin() + count);
    result.median = percentileOfSorted(sorted.data(), std::size_t(count), 50.0);
    result.p95 = percentileOfSorted(sorted.data(), std::size_t(count), 95.0);
    double total = 0.0;
    for (int i = 0; i < count; ++i)
        total += sorted[std::size_t(i)];
    // The rate over the frames held: frames per second of their mean time, not of one frame.
    result.fps = total > 0.0 ? 1000.0 * count / total : 0.0;
    return result;
}
