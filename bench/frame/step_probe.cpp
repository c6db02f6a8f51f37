// The step probe: per-step stamps on the steady clock, the time inside driver calls, draw counts.
#include "bench/frame/step_probe.h"

void StepProbe::mark(FrameStep step)
{
    const Clock::time_point now = Clock::now();
    if (current != FrameStep::End)
        wallMs[std::size_t(current)] += std::chrono::duration<double, std::milli>(now - stepStart).count();
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
}

void StepProbe::before(DriverWork)
{
    callStart = Clock::now();
}

void StepProbe::after(DriverWork work, const DriverCall& call)
{
    if (current == FrameStep::End)
        return;
    const std::size_t step = std::size_t(current);
    driverMs[step] += std::chrono::duration<double, std::milli>(Clock::now() - callStart).count();
    if (work != DriverWork::ScreenDraw && work != DriverWork::SceneDraw)
        return;
    const int index = draws[step]++;
    if (drawTimer && work == DriverWork::ScreenDraw)
        drawTimer->measure(current, index, call);
}
