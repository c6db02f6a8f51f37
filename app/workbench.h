// The workbench: what a graphics programmer uses on the running frame, beside the scene. The
// inspection views (F1 to F8, named in the title), pause and step of the scene clock (P, .), the
// live pass timing (T), and the taps of the mode keys 1 to 4 that a frame's key poll could miss.
// Owns that state and its keys; Application::frame calls it at three points: sceneStep at the
// frame's start, probe for the frame's measurement, drawView after the composite. Reads and
// builds the views' program through the Renderer; writes the frame-rate title's suffix.
#pragma once

#include "app/fps.h"
#include "app/input.h"
#include "app/pass_timer.h"
#include "app/scene_clock.h"
#include "render/renderer.h"

class Workbench {
public:
    Workbench(Renderer& renderer, FpsCounter& fps) : renderer(renderer), fps(fps) {}

    // A key press from the surface: P pause, . step, F1 to F8 views, T pass timing; 1 to 4 are
    // kept as taps for the next key poll.
    void keyPressed(int key);
    // Shows one target alone (View::Final: the composite) and names it in the title; a view whose
    // program cannot be built leaves the composite and the plain title.
    void setView(View wanted);

    // The scene's time step for a frame whose own (capped) step is dt seconds (SceneClock::advance).
    double sceneStep(double dt) { return sceneClock.advance(dt); }
    // The frame's probe: the pass timer while it measures, else null.
    FrameProbe* probe() { return passTimer.probe(); }
    // After the composite: the chosen view over the output (nothing for View::Final).
    void drawView(const FrameScene& scene) { renderer.drawView(view, scene); }

    SceneClock sceneClock;    // held by P, stepped by .
    View view = View::Final;  // what the output shows
    PassTimer passTimer;      // measures on T
    KeyTaps keyTaps;          // presses of 1 to 4 from the key callback, read with the key poll

private:
    Renderer& renderer;
    FpsCounter& fps;
};
