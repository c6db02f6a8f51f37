// The headless context: an OpenGL 3.2 core context made through EGL with no window and no X
// display, on an EGL device (EGL_EXT_platform_device: a GPU, or Mesa's software device) or else
// on Mesa's surfaceless platform, current without a surface where the display allows it
// (EGL_KHR_surfaceless_context) or on a 1 x 1 pbuffer. libEGL is opened at run time, so the
// windowed program never needs it. The frame draws into an offscreen output instead (the
// offscreen surface's, app/offscreen_surface.h); present() keeps at most one frame queued, as a
// swap would.
#pragma once

#include <string>
#include <vector>

struct HeadlessContext {
    void* library = nullptr;  // libEGL, from dlopen
    void* display = nullptr;  // EGLDisplay
    void* context = nullptr;  // EGLContext
    void* surface = nullptr;  // EGLSurface: the pbuffer, or none
    void* pendingFrame = nullptr;  // GLsync of the frame before the last present

    // Makes a context on EGL device `gpu` (its surfaceless platform when there is no device),
    // current on this thread, with GL entry points loaded through GLEW. False, with one line on
    // stderr, when EGL is missing, there is no such device or the context is below 3.2 core.
    bool open(int gpu);
    // Waits for the frame before the last one, so the GPU is never more than one frame behind.
    void present();
    // Releases the context and its surface; safe to call twice.
    void close();
};

// One line per EGL device ("0: /dev/dri/renderD128 (EGL_EXT_device_drm ...)"); empty, with a
// line on stderr, when EGL or its device enumeration is missing.
std::vector<std::string> listEglDevices();
// Prints listEglDevices() on standard output, one line each (--gpu list). Returns the exit code:
// 0, or 1 when there is none.
int printEglDevices();
