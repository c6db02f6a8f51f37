// The scene's clock: the frame clock less the time the scene was held by pause. The animation,
// the scripted camera with the rocket's path, and the particles run on it, so pause (P) holds
// them while every pass still draws each frame, and a step (.) advances them by one 60 Hz frame.
// Free flight keeps the frame clock. Pure logic; no GL.
#pragma once

struct SceneClock {
    static constexpr double kStepSeconds = 1.0 / 60.0;

    bool paused = false;
    bool stepPending = false;
    bool advancing = true;     // the last advance moved the scene (running, or a step)
    double heldSeconds = 0.0;  // frame-clock seconds the scene did not advance

    void togglePause()
    {
        paused = !paused;
        stepPending = false;
    }
    // One step for the next frame; only while paused.
    void requestStep() { stepPending = paused; }

    // The scene's time step for a frame whose own step is dt seconds: dt while running; while
    // paused 0, or kStepSeconds once after requestStep. Motion that the scene makes once per
    // frame rather than per second runs only while advancing.
    double advance(double dt)
    {
        advancing = !paused || stepPending;
        if (!paused)
            return dt;
        const double step = stepPending ? kStepSeconds : 0.0;
        stepPending = false;
        heldSeconds += dt - step;
        return step;
    }
    // Scene time at frame-clock time now: moves on by exactly the steps advance returned.
    double sceneTime(double now) const { return now - heldSeconds; }
};
