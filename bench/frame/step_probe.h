// The benchmark's FrameProbe. For every step of a frame it keeps the wall time and the time
// inside accounted driver calls (the difference is the program's own work) and counts the
// draws. Given GPU intervals it brackets each step with one; given a draw timer it hands it
// every draw. The probe's flushes and queries fall between the stamps, never inside a step.
#pragma once

#include "app/frame_probe.h"
#include "bench/frame/draw_timer.h"
#include "bench/frame/driver_calls.h"
#include "bench/frame/gpu_intervals.h"

#include <array>
#include <chrono>

class StepProbe : public FrameProbe, public DrawHook {
public:
    // Either may be null.
    StepProbe(GpuIntervals* stepGpu, DrawTimer* drawTimer) : stepGpu(stepGpu), drawTimer(drawTimer) {}

    void mark(FrameStep step) override;
    void afterDraw(const DrawRepeat& repeat) override;

    // Milliseconds of the last frame, per step; filled as the frame runs (Input resets them).
    std::array<double, kFrameStepCount> wallMs{};
    std::array<double, kFrameStepCount> driverMs{};
    // Draws per step in the last frame.
    std::array<int, kFrameStepCount> draws{};

private:
    using Clock = std::chrono::steady_clock;

    GpuIntervals* stepGpu;
    DrawTimer* drawTimer;
    FrameStep current = FrameStep::End;
    Clock::time_point stepStart{};
    int64_t driverStart = 0;
};

const char* frameStepName(FrameStep step);
