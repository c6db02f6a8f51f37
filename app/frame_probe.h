// Measurement seams of the Application: a probe handed to Application::frame, told as each step
// of the frame begins and, through the frame resources, of every driver call the passes make;
// and the time stamps of the start-up steps, filled when the constructor is given them. The
// program itself passes neither; the frame benchmark (bench/) passes both.
#pragma once

#include "render/frame_resources.h"

#include <array>
#include <chrono>
#include <cstddef>

// The steps of Application::frame, in frame order; End follows the last step.
enum class FrameStep {
    Input,  // frame clock, key input, camera, frustum planes
    Clear,  // the output, colour and depth
    NormalDepth,
    Ssao,
    Lighting,
    SkyBox,
    Particles,  // emitter placement, simulation, upload, draw
    Unlit,
    LensFlare,
    DepthOfField,
    Composite,
    Overlay,  // the workbench's panels over the output, while shown
    Animation,
    End,
};
constexpr std::size_t kFrameStepCount = std::size_t(FrameStep::End);

// The step's name in tables and debug groups: "normal/depth", "ssao", "lens flare", ...
const char* frameStepName(FrameStep step);

class FrameProbe : public DrawObserver {
public:
    // Called as a step begins (and with End as the frame's last step ends).
    virtual void mark(FrameStep step) = 0;
};

// The start-up sequence; each stamp is taken as its step ends (Begin as the constructor starts).
enum class StartUpStep {
    Begin,
    WindowAndContext,
    ShaderPrograms,
    RenderTargets,
    SkyBox,
    Meshes,
    LightsAndParticles,
};
constexpr std::size_t kStartUpStepCount = std::size_t(StartUpStep::LightsAndParticles) + 1;

struct StartUpStamps {
    std::array<std::chrono::steady_clock::time_point, kStartUpStepCount> at{};

    void stamp(StartUpStep step) { at[std::size_t(step)] = std::chrono::steady_clock::now(); }
};
