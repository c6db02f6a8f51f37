// The workbench: what a graphics programmer uses on the running frame, beside the scene. The
// inspection views (F1 to F8, named in the title), pause and step of the scene clock (P, .), the
// pass timing (T), the overlay of panels over the frame (Tab), the last frame times, and the
// taps of the mode keys 1 to 4 that a frame's key poll could miss. Owns that state and its keys;
// Application::frame calls it at four points: sceneStep at the frame's start, probe for the
// frame's measurement, drawView after the composite, drawOverlay after that while the overlay
// is shown. Reads and builds the views' program through the Renderer; writes the frame-rate
// title's suffix.
#pragma once

#include "app/fps.h"
#include "app/frame_history.h"
#include "app/input.h"
#include "app/overlay.h"
#include "app/pass_timer.h"
#include "app/scene_clock.h"
#include "render/renderer.h"
#include "render/view_thumbnails.h"

class Workbench {
public:
    Workbench(Renderer& renderer, FpsCounter& fps) : renderer(renderer), fps(fps) {}

    // A key press from the surface: Tab the overlay, P pause, . step, F1 to F8 views, T pass
    // timing; 1 to 4 are kept as taps for the next key poll. While a panel's widget holds the
    // keyboard only Tab gets through.
    void keyPressed(int key);
    // Shows one target alone (View::Final: the composite) and names it in the title; a view whose
    // program cannot be built leaves the composite and the plain title.
    void setView(View wanted);
    // Shows or hides the overlay; its live pass costs are measured only while it is shown.
    void toggleOverlay();
    // True while the program should not see a polled key: a panel's widget holds the keyboard.
    bool keysHeldBack() const { return overlay.wantsKeyboard(); }

    // The scene's time step for a frame whose own (capped) step is dt seconds (SceneClock::advance);
    // the frame's time goes to the history.
    double sceneStep(double dt)
    {
        frames.add(dt * 1000.0);
        return sceneClock.advance(dt);
    }
    // The frame's probe: the pass timer while it measures, else null.
    FrameProbe* probe() { return passTimer.probe(); }
    // After the composite: the chosen view over the output (nothing for View::Final).
    void drawView(const FrameScene& scene) { renderer.drawView(view, scene); }
    // After the view, while the overlay is shown: the thumbnails, then the panels over the output,
    // with the GL state given back as it was; a click is done as its key would. inputs carries the
    // camera's mode and the output's size; the workbench adds its own.
    void drawOverlay(OverlayInputs inputs, double dt);
    // Deletes the overlay's and the thumbnails' GL objects; call while the context is current.
    void release();

    SceneClock sceneClock;    // held by P, stepped by .
    View view = View::Final;  // what the output shows
    PassTimer passTimer;      // measures on T, and live while the overlay is shown
    KeyTaps keyTaps;          // presses of 1 to 4 from the key callback, read with the key poll
    FrameHistory frames;      // the last frame times
    Overlay overlay;
    ViewThumbnails thumbnails;
    Surface* surface = nullptr;  // where the overlay takes its input; set by the Application

private:
    static constexpr long kThumbnailFrames = 4;

    Renderer& renderer;
    FpsCounter& fps;
    long overlayFrames = 0;  // frames the overlay was drawn in
};
