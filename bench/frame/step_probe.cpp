// The step probe: per-step stamps on the steady clock, the accounted driver time, draw counts.
#include "bench/frame/step_probe.h"

void StepProbe::mark(FrameStep step)
{
    const Clock::time_point now = Clock::now();
    const int64_t driverNow = driverCallNanoseconds();
    if (current != FrameStep::End) {
        const std::size_t index = std::size_t(current);
        wallMs[index] += std::chrono::duration<double, std::milli>(now - stepStart).count();
        driverMs[index] += double(driverNow - driverStart) * 1e-6;
    }
    if (step == FrameStep::Input) {
        wallMs.fill(0.0);
        driverMs.fill(0.0);
        draws.fill(0);
    }
    if (stepGpu) {
        if (step != FrameStep::End)
            stepGpu->start(int(step));
        else
            stepGpu->stop();
    }
    current = step;
    stepStart = Clock::now();
    driverStart = driverCallNanoseconds();
}

void StepProbe::afterDraw(const DrawRepeat& repeat)
{
    if (current == FrameStep::End)
        return;
    const int index = draws[std::size_t(current)]++;
    if (drawTimer)
        drawTimer->measure(current, index, repeat);
}

const char* frameStepName(FrameStep step)
{
    switch (step) {
    case FrameStep::Input: return "input";
    case FrameStep::WindowClear: return "window clear";
    case FrameStep::NormalDepth: return "normal/depth";
    case FrameStep::Ssao: return "ssao";
    case FrameStep::Lighting: return "lighting";
    case FrameStep::SkyBox: return "sky box";
    case FrameStep::Particles: return "particles";
    case FrameStep::Unlit: return "unlit";
    case FrameStep::LensFlare: return "lens flare";
    case FrameStep::DepthOfField: return "depth of field";
    case FrameStep::Composite: return "composite";
    case FrameStep::Animation: return "animation";
    case FrameStep::End: return "end";
    }
    return "?";
}
