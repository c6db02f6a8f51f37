// The frame loop that every program runs: the window until it should close, the headless run,
// the frame benchmark and the soak. Each frame is Application::frame, then the surface's present;
// the time comes from fixed steps or the surface's clock; the loop stops after a number of
// frames, once the scene clock reaches a time, or when the surface stops running, and draws no
// frame while the surface is hidden. The hooks let a caller measure, capture or edit files
// between the steps of a frame. Reads and writes nothing of its own.
#pragma once

#include "app/frame_probe.h"

#include <functional>

class Application;

// A scene time counts as reached this close below it, so that a fixed step that lands on it with
// a rounding error below still takes that frame.
constexpr double kSceneTimeSlack = 1e-6;

struct FrameLoop {
    double fixedDt = 0.0;       // seconds a frame; 0 follows the surface's clock
    long frames = 0;            // frames one run() draws at most; 0: no such bound
    double sceneSeconds = 0.0;  // run() ends once the scene clock reaches this; 0: no such bound
    FrameProbe* probe = nullptr;  // handed to every frame
    // Each optional, each given the frame's number since start().
    std::function<void(long frame)> beforeFrame;
    std::function<void(long frame)> beforePresent;  // drawn, not yet shown: where captures read
    std::function<void(long frame)> afterPresent;

    long framesRun = 0;  // since start(); a fixed step's clock counts them

    // The next frame's time step is measured from now: 0 on a fixed step, else the surface's clock.
    void start(Application& app);
    // Frames until a bound is reached or the surface stops running; while the surface is hidden
    // it waits for events instead of drawing. Returns the frames this call drew.
    long run(Application& app);
};
