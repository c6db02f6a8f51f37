// The live pass timer. Frames count up from 0 as the probe wakes: the table's kFrames frames and,
// while live, every frame bracket each step with a GPU interval; the next QueryRing::kLag frames
// only read the last results back, then the probe sleeps. The table is printed once its frames
// are read back.
#include "app/pass_timer.h"

#include "resources/stats.h"

PassTimer::PassTimer() : gpu([this](long resultFrame, int step, double ms) { record(resultFrame, step, ms); }) {}

void PassTimer::start(bool timerQueriesAvailable)
{
    if (measuring())
        return;
    if (!timerQueriesAvailable) {
        std::fprintf(out, "Pass timing: this GL context has no timer queries (GL_ARB_timer_query)\n");
        std::fflush(out);
        return;
    }
    for (std::vector<double>& samples : gpuMs)
        samples.clear();
    frameMs.clear();
    tableFrom = frame + 1;
}

void PassTimer::setLive(bool on)
{
    if (on && !liveWanted)
        startLivePeriod(clock());
    liveWanted = on;
}

void PassTimer::startLivePeriod(double now)
{
    liveSumMs.fill(0.0);
    liveCount.fill(0);
    liveFrameSumMs = 0.0;
    liveFrames = 0;
    livePeriodStart = now;
}

void PassTimer::record(long resultFrame, int step, double ms)
{
    if (tableTimes(resultFrame))
        gpuMs[std::size_t(step)].push_back(ms);
    if (liveWanted) {
        liveSumMs[std::size_t(step)] += ms;
        ++liveCount[std::size_t(step)];
    }
}

void PassTimer::beginFrame()
{
    ++frame;
    const double now = clock();
    if (frame > 0) {
        const double wallMs = (now - lastFrameStart) * 1000.0;
        if (tableTimes(frame - 1))
            frameMs.push_back(wallMs);
        if (liveWanted) {
            liveFrameSumMs += wallMs;
            ++liveFrames;
        }
    }
    lastFrameStart = now;
    gpu.beginFrame(frame);
    if (measuring() && frame == tableFrom + kFrames + QueryRing::kLag - 1) {
        printTable();
        tableFrom = -1;
    }
    if (liveWanted && now - livePeriodStart >= kLivePeriod && liveFrames > 0) {
        for (std::size_t step = 0; step < kFrameStepCount; ++step)
            live.gpuMs[step] = liveCount[step] > 0 ? liveSumMs[step] / double(liveCount[step]) : 0.0;
        live.frameMs = liveFrameSumMs / double(liveFrames);
        live.frames = liveFrames;
        startLivePeriod(now);
    }
    timing = liveWanted || tableTimes(frame);
    if (timing)
        lastTimed = frame;
    else if (frame - lastTimed >= QueryRing::kLag && !measuring())
        frame = lastTimed = -1;  // every result is read: the probe sleeps
}

void PassTimer::mark(FrameStep step)
{
    if (frame < 0 && !measuring() && !liveWanted)
        return;
    if (step == FrameStep::Input)
        beginFrame();
    if (!timing || frame < 0)
        return;
    if (step == FrameStep::End)
        gpu.stop();
    else
        gpu.start(int(step));
}

void PassTimer::printTable() const
{
    std::fprintf(out, "Pass timing over %ld frames (ms: median, 95th percentile)\n", kFrames);
    std::vector<double> passesMs(std::size_t(kFrames), 0.0);
    for (std::size_t step = std::size_t(FrameStep::Clear); step <= std::size_t(FrameStep::Composite); ++step) {
        const Summary gpuSummary = summarize(gpuMs[step]);
        std::fprintf(out, "  %-22s GPU %8.3f %8.3f\n", frameStepName(FrameStep(step)), gpuSummary.median,
                     gpuSummary.p95);
        for (std::size_t i = 0; i < gpuMs[step].size() && i < passesMs.size(); ++i)
            passesMs[i] += gpuMs[step][i];
    }
    const Summary all = summarize(passesMs), wall = summarize(frameMs);
    std::fprintf(out, "  %-22s GPU %8.3f %8.3f\n", "all passes", all.median, all.p95);
    std::fprintf(out, "  %-22s wall %7.3f %8.3f\n", "frame", wall.median, wall.p95);
    std::fflush(out);
}
