// The benchmark's FrameProbe. For every step of a frame it keeps the wall time and the time
// inside the driver calls the frame resources make (draws, clears, buffer uploads, where the
// driver does a frame's heavy work on the calling thread; the difference is the program's own
// work: input, animation, particle simulation, matrices, uniform look-ups and uploads, binds)
// and counts the draws. Given GPU intervals it brackets each step with one; given a draw timer
// it hands it every full-screen draw. The probe's flushes and queries fall between the stamps,
// and a draw timer's repeats outside the driver time, never inside a step's own figures.
#pragma once

#include "app/frame_probe.h"
#include "bench/frame/draw_timer.h"
#include "resources/gpu_intervals.h"

#include <array>
#include <chrono>

class StepProbe : public FrameProbe {
public:
    // Either may be null.
    StepProbe(GpuIntervals* stepGpu, DrawTimer* drawTimer) : stepGpu(stepGpu), drawTimer(drawTimer) {}

    void mark(FrameStep step) override;
    void before(DriverWork work) override;
    void after(DriverWork work, const DriverCall& call) override;

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
    Clock::time_point callStart{};
};
