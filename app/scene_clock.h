// The scene's clock: the sum of the time steps it handed out, so it stands still exactly while
// pause (P) holds the scene, moves by one 60 Hz frame for a step (.), and after a stall by no more
// than the frame's capped step. The animation, the scripted camera with the rocket's path, and
// the particles run on it, while every pass still draws each frame. Free flight keeps the frame
// clock. Pure logic; no GL.
#pragma once

struct SceneClock {
    static constexpr double kStepSeconds = 1.0 / 60.0;

    bool paused = false;
    bool stepPending = false;
    bool advancing = true;  // the last advance moved the scene (running, or a step)
    double seconds = 0.0;   // scene time: every step advance returned, added up

    void togglePause()
    {
        paused = !paused;
        stepPending = false;
    }
    // One step for the next frame; only while paused.
    void requestStep() { stepPending = paused; }

    // The scene's time step for a frame whose own (capped) step is dt seconds: dt while running;
    // while paused 0, or kStepSeconds once after requestStep. Motion that the scene makes once per
    // frame rather than per second runs only while advancing.
    double advance(double dt)
    {
        advancing = !paused || stepPending;
        double step = dt;
        if (paused)
            step = stepPending ? kStepSeconds : 0.0;
        stepPending = false;
        seconds += step;
        return step;
    }
    // Scene time in seconds; a held frame leaves it exactly as it was.
    double sceneTime() const { return seconds; }
};
