// Timer and TimedExecution: a millisecond stopwatch on the wall clock (100 ns ticks since
// 1970-01-01 UTC) and a job runner that runs its job at most once per period when ticked.
// The clock is a replaceable function so tests can drive time instead of sleeping.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

// The wall clock in 100-nanosecond ticks since 1970-01-01 UTC.
using WallClock = int64_t (*)();
int64_t systemWallClockTicks();
// The clock every Timer reads. Tests swap it; production code leaves it alone.
extern WallClock wallClockTicks;

// Seconds on the steady clock, which only moves forward (an offscreen frame clock, the shader
// failures' time stamps).
using SecondsClock = double (*)();
double steadyClockSeconds();

class Timer {
public:
    Timer();
    virtual ~Timer() = default;
    void start();
    int32_t stop();
    int32_t elapsedMs() const;

    std::unique_ptr<int64_t> baseTicks;
    int32_t state = 0;  // 0 stopped, 1 running
    int32_t startMs = 0;

private:
    int32_t msSinceBase() const;
};

class TimedExecution {
public:
    TimedExecution(std::function<void()> job, uint32_t periodMs, uint32_t runs);
    virtual ~TimedExecution() = default;
    TimedExecution(const TimedExecution&) = delete;
    TimedExecution& operator=(const TimedExecution&) = delete;
    // Runs the job if at least periodMs passed since the last run; true when it ran.
    bool tick();

    std::function<void()> job;
    uint32_t periodMs;
    uint32_t remainingRuns;
    Timer timer;
};
