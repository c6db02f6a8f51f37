// Times each full-screen draw of the frame and its fetch reference on the GPU, in place. After
// the pass makes a draw listed in the fetch table, the draw is made again and timed; then the
// reference program is drawn and timed with everything else as the pass left it (target,
// viewport, blending); then the pass's program and textures are bound back and its draw made
// once more, so its target holds what the pass wrote (an additive draw adds several times in
// these frames, which are never the timed ones). Each timed draw starts on an idle GPU and runs
// in a scene of its own, with depth testing off: the pass's draw already wrote the depth its
// repeat would be tested against. Timing the pass's first draw instead would also time the
// rasterizer waiting for the main thread to validate the pass's new state.
#pragma once

#include "app/frame_probe.h"
#include "bench/frame/fetch_reference.h"
#include "resources/gpu_intervals.h"

#include <vector>

class DrawTimer {
public:
    // Results of frames before skipFrames are dropped (the first reference draws compile).
    DrawTimer(const Renderer& renderer, const FetchReferences& references, long skipFrames);

    void beginFrame(long frame) { gpu.beginFrame(frame); }
    void finish(long frameCount) { gpu.finish(frameCount); }
    // The index-th draw of step, a full-screen one, was just made; repeat makes it again.
    void measure(FrameStep step, int index, const DriverCall& repeat);

    // Milliseconds per table entry: the pass's draw and its reference.
    std::vector<std::vector<double>> passMs, referenceMs;

private:
    const Renderer& renderer;
    const FetchReferences& references;
    GpuIntervals gpu;
};
