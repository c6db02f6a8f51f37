// The names of the frame's steps, as the benchmark's tables, the live pass timing and the graphics
// debuggers' groups show them.
#include "app/frame_probe.h"

const char* frameStepName(FrameStep step)
{
    switch (step) {
    case FrameStep::Input: return "input";
    case FrameStep::Clear: return "clear";
    case FrameStep::NormalDepth: return "normal/depth";
    case FrameStep::Ssao: return "ssao";
    case FrameStep::Lighting: return "lighting";
    case FrameStep::SkyBox: return "sky box";
    case FrameStep::Particles: return "particles";
    case FrameStep::Unlit: return "unlit";
    case FrameStep::LensFlare: return "lens flare";
    case FrameStep::DepthOfField: return "depth of field";
    case FrameStep::Composite: return "composite";
    case FrameStep::Overlay: return "overlay";
    case FrameStep::Animation: return "animation";
    case FrameStep::End: return "end";
    }
    return "?";
}
