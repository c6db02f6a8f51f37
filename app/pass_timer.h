// Live per-pass cost (key T): the next kFrames frames are timed per step on the GPU, through
// GL_TIME_ELAPSED queries read back two frames late so reading never waits for rendering, and
// then one table goes to standard output: per pass the GPU milliseconds (median and 95th
// percentile) and the frame's wall time. It is the frame's probe only while it measures, so an
// idle timer makes no GL call at all.
#pragma once

#include "app/frame_probe.h"
#include "resources/gpu_intervals.h"

#include <array>
#include <cstdio>
#include <functional>
#include <vector>

class PassTimer : public FrameProbe {
public:
    static constexpr long kFrames = 120;

    PassTimer();

    // Starts a measurement from the next frame on, unless one is running. Where the context has
    // no timer queries it prints one line saying so instead.
    void start(bool timerQueriesAvailable);
    bool measuring() const { return nextFrame >= 0; }
    // The frame's probe: this while measuring, else null.
    FrameProbe* probe() { return measuring() ? this : nullptr; }
    // Deletes the query objects; call while the context is current.
    void release() { gpu.release(); }

    void mark(FrameStep step) override;
    void before(DriverWork) override {}
    void after(DriverWork, const DriverCall&) override {}

    std::function<double()> clock;  // seconds; the surface's clock in the program, tests drive their own
    std::FILE* out = stdout;         // where the table goes

private:
    void printTable() const;

    GpuIntervals gpu;
    long nextFrame = -1;  // frames count from 0 at start; -1 while idle
    long frame = -1;      // the frame under way
    double lastFrameStart = 0.0;
    std::array<std::vector<double>, kFrameStepCount> gpuMs;
    std::vector<double> frameMs;
};
