// Live per-pass cost. Key T: the next kFrames frames are timed per step on the GPU, through
// GL_TIME_ELAPSED queries read back two frames late so reading never waits for rendering, and
// then one table goes to standard output: per pass the GPU milliseconds (median and 95th
// percentile) and the frame's wall time. While the overlay is shown (setLive) every frame is
// timed on the same queries and the means of the results read back are published as `live`
// every kLivePeriod seconds. It is the frame's probe only while either wants it (and for the
// frames that read the last results back), so an idle timer makes no GL call at all.
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
    static constexpr double kLivePeriod = 0.5;  // seconds between two publications of `live`

    // The live figures: each step's mean GPU milliseconds over the frames read back in the last
    // period, and the mean wall time of those frames.
    struct LiveCosts {
        std::array<double, kFrameStepCount> gpuMs{};
        double frameMs = 0.0;
        long frames = 0;  // frames behind the figures; 0 until the first publication
    };

    PassTimer();

    // Starts a measurement from the next frame on, unless one is running. Where the context has
    // no timer queries it prints one line saying so instead.
    void start(bool timerQueriesAvailable);
    bool measuring() const { return tableFrom >= 0; }
    // Times every frame from the next one on (true) or from now on no more (false); `live` keeps
    // its last figures.
    void setLive(bool on);
    // The frame's probe: this while measuring, live or reading the last results back, else null.
    FrameProbe* probe() { return frame >= 0 || measuring() || liveWanted ? this : nullptr; }
    // Deletes the query objects; call while the context is current.
    void release() { gpu.release(); }

    void mark(FrameStep step) override;
    void before(DriverWork) override {}
    void after(DriverWork, const DriverCall&) override {}

    std::function<double()> clock;  // seconds; the surface's clock in the program, tests drive their own
    std::FILE* out = stdout;         // where the table goes
    LiveCosts live;                  // read by the overlay

private:
    void beginFrame();
    void startLivePeriod(double now);
    void record(long resultFrame, int step, double ms);
    void printTable() const;
    bool tableTimes(long f) const { return measuring() && f >= tableFrom && f < tableFrom + kFrames; }

    GpuIntervals gpu;
    long frame = -1;       // the frame under way, counting from 0 as the probe wakes; -1 while idle
    long tableFrom = -1;   // the first frame of the table's measurement; -1 when none runs
    bool liveWanted = false;
    long lastTimed = -1;   // the last frame whose steps were timed
    bool timing = false;   // this frame's steps are timed
    double lastFrameStart = 0.0;
    std::array<std::vector<double>, kFrameStepCount> gpuMs;
    std::vector<double> frameMs;
    // The live period under way: sums of the results read back, per step, and frame times.
    std::array<double, kFrameStepCount> liveSumMs{};
    std::array<long, kFrameStepCount> liveCount{};
    double liveFrameSumMs = 0.0;
    long liveFrames = 0;
    double livePeriodStart = 0.0;
};
