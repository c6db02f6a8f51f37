// The offscreen surface: an 8-bit RGBA colour and depth output, the frame's size, on an EGL
// context with no window (HeadlessContext) that the surface opens and owns, or on the context
// already current (the GL tests' own). The frame clock is a monotonic clock; there are no events,
// no keys and no title, and the loop runs until its own bounds end it.
#pragma once

#include "app/headless_context.h"
#include "app/surface.h"

class OffscreenSurface final : public Surface {
public:
    // Opens an EGL context on device gpu and a width x height output on it. Null, with one line on
    // stderr, when the context cannot be made (HeadlessContext::open), or when the driver cannot
    // render the frame at that size: asked of the output's and the frame's targets before anything
    // is made, so the refusal costs no allocation, and checked again on the output once made.
    static std::unique_ptr<OffscreenSurface> open(int width, int height, int gpu);
    // A width x height output on the context that is current; the context stays its maker's.
    OffscreenSurface(int width, int height);
    // Deletes the output, then closes the context when open() made it.
    ~OffscreenSurface() override;
    OffscreenSurface(const OffscreenSurface&) = delete;
    OffscreenSurface& operator=(const OffscreenSurface&) = delete;

    void size(int& width, int& height) const override;
    GLuint outputFramebuffer() const override { return framebuffer; }
    void resizeOutput(int width, int height) override;
    bool readOutput(int width, int height, std::vector<unsigned char>& rgb, GLenum& glError) const override;
    void present() override { context.present(); }
    double clockNow() const override;
    bool keepRunning() const override { return true; }
    bool hidden() const override { return false; }
    void waitForEvents(double) override {}
    void setTitle(const std::string&) override {}
    bool keyDown(int) const override { return false; }

    HeadlessContext context;  // open only when open() made it
    int width = 0, height = 0;
    GLuint colourTex = 0, depthTex = 0, framebuffer = 0;

private:
    OffscreenSurface() = default;
    // Returns what failed (render/target_size.h); empty when the output is complete.
    std::string makeOutput(int outputWidth, int outputHeight);
    void releaseOutput();
};
