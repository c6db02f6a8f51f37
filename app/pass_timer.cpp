// The live pass timer: frames 0 .. kFrames - 1 bracket each step with a GPU interval; the next
// QueryRing::kLag frames only read the last results back; then the table is printed.
#include "app/pass_timer.h"

#include "resources/stats.h"

PassTimer::PassTimer()
    : gpu([this](long, int label, double ms) { gpuMs[std::size_t(label)].push_back(ms); })
{
}

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
    nextFrame = 0;
}

void PassTimer::mark(FrameStep step)
{
    if (!measuring())
        return;
    if (step == FrameStep::Input) {
        frame = nextFrame++;
        const double now = clock();
        if (frame > 0 && frame <= kFrames)
            frameMs.push_back((now - lastFrameStart) * 1000.0);
        lastFrameStart = now;
        gpu.beginFrame(frame);
        if (frame == kFrames + QueryRing::kLag - 1) {
            printTable();
            nextFrame = frame = -1;
            return;
        }
    }
    // The frames after the measured ones only read the last results back.
    if (frame < 0 || frame >= kFrames)
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
