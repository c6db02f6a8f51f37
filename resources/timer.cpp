// Timer and TimedExecution: a millisecond stopwatch on the wall clock and a job run at most once
// per period from its owner's tick. Reads only the clock behind wallClockTicks; starts no thread.
#include "resources/timer.h"

#include <chrono>
#include <utility>

namespace {
constexpr int64_t kTicksPerMs = 10000;  // wall clock ticks are 100 ns
using WallTicks = std::chrono::duration<int64_t, std::ratio<1, 10000000>>;
}  // namespace

int64_t systemWallClockTicks()
{
    return std::chrono::duration_cast<WallTicks>(std::chrono::system_clock::now().time_since_epoch()).count();
}

WallClock wallClockTicks = systemWallClockTicks;

double steadyClockSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

Timer::Timer() : baseTicks(std::make_unique<int64_t>(wallClockTicks())) {}

// Milliseconds since construction, kept to their low 32 bits: differences of these stay right
// across the wrap, which comes after about 24 days.
int32_t Timer::msSinceBase() const
{
    return static_cast<int32_t>(static_cast<uint32_t>((wallClockTicks() - *baseTicks) / kTicksPerMs));
}

void Timer::start()
{
    if (state == 1)
        return;
    startMs = msSinceBase();
    state = 1;
}

int32_t Timer::stop()
{
    const int32_t elapsed = elapsedMs();
    state = 0;
    return elapsed;
}

int32_t Timer::elapsedMs() const
{
    if (state == 0)
        return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(msSinceBase()) - static_cast<uint32_t>(startMs));
}

TimedExecution::TimedExecution(std::function<void()> work, uint32_t period, uint32_t runs)
    : job(std::move(work)), periodMs(period), remainingRuns(runs)
{
    timer.start();
}

// A clock set back makes the elapsed time negative, which as an unsigned count is huge: the job
// then runs at once instead of waiting for the clock to catch up.
bool TimedExecution::tick()
{
    if (remainingRuns == 0)
        return false;
    if (static_cast<uint32_t>(timer.elapsedMs()) < periodMs)
        return false;
    --remainingRuns;
    job();
    timer.stop();
    timer.start();
    return true;
}
