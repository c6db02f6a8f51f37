// The surface: where the frame's picture goes and what paces the frame loop. A GLFW window with
// its context (app/window.h), or an EGL context with an offscreen output (app/offscreen_surface.h),
// chosen once where the program starts (openSurface). The surface owns the output framebuffer
// that the composite and the views draw into, presents it, reads it back for captures, gives the
// frame clock and the key state, and says whether the loop should go on. Key presses and size
// changes reach the Application through the two handlers it sets.
#pragma once

#include <GL/glew.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Surface {
public:
    virtual ~Surface() = default;

    // The size the frame takes: the window's (full screen, the video mode GLFW chose), or the
    // offscreen output's.
    virtual void size(int& width, int& height) const = 0;
    // The framebuffer the frame's picture goes to: the window's 0, or the offscreen output.
    virtual GLuint outputFramebuffer() const = 0;
    // The window keeps its own size; an offscreen output is made again at width x height.
    virtual void resizeOutput(int width, int height) = 0;
    // The output's width x height pixels as packed RGB rows, bottom row first. False, with the GL
    // error in glError, when the driver could not read it. Leaves the output bound.
    virtual bool readOutput(int width, int height, std::vector<unsigned char>& rgb, GLenum& glError) const = 0;
    // Shows the frame: the window swaps and handles the events that came meanwhile; offscreen, the
    // GPU may fall at most one frame behind.
    virtual void present() = 0;
    // Seconds on the frame clock.
    virtual double clockNow() const = 0;
    // False once the window should close (Escape, its close button); offscreen always true.
    virtual bool keepRunning() const = 0;
    // True while nothing drawn could be seen (an iconified or unmapped window).
    virtual bool hidden() const = 0;
    // Handles window events, waiting for one at most `seconds` (0: only those already there).
    virtual void waitForEvents(double seconds) = 0;
    // The window title; offscreen, nothing.
    virtual void setTitle(const std::string& title) = 0;
    // True while the key (a GLFW key code) is held.
    virtual bool keyDown(int key) const = 0;
    // Dear ImGui's input for the overlay, on the current ImGui context: a window installs ImGui's
    // GLFW callbacks, which chain with its own, and each frame hands ImGui its mouse and keys;
    // offscreen there is no input to hand.
    virtual void startOverlayInput() {}
    virtual void overlayInputFrame() {}
    virtual void stopOverlayInput() {}

    std::function<void(int key)> keyPressed;                  // every press but Escape
    std::function<void(int width, int height)> resized;       // size events, 0 x 0 included
};

// "Quillon Works": the window's title, and the frame-rate title's start in both builds.
extern const char* const kWindowTitle;

enum class SurfaceKind { Window, FullScreen, Offscreen };

struct SurfaceRequest {
    SurfaceKind kind = SurfaceKind::Window;
    int width = 0, height = 0;
    int gpu = 0;  // the EGL device of an offscreen surface
};

// Opens the window, or the EGL context with its offscreen output, and makes its context current
// with GL entry points loaded. Null, with GLFW's or EGL's failure on stderr, when it cannot.
std::unique_ptr<Surface> openSurface(const SurfaceRequest& request);
