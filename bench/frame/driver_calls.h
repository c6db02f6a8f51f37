// Accounting of the GL calls in which the driver does a frame's heavy work on the calling
// thread: draws (vertex processing, binning, validation, and any wait for a render whose output
// the draw samples), clears and buffer uploads. Each step's wall time minus the time spent in
// these calls is the program's own work: input, animation, particle simulation, matrices,
// uniform look-ups and uploads, texture and framebuffer binds. A hook told of every draw can
// issue it once more, which is how the benchmark times each draw on the GPU.
#pragma once

#include <cstdint>

// The draw that was just made, with its arguments, to be made again.
class DrawRepeat {
public:
    virtual void again() const = 0;

protected:
    ~DrawRepeat() = default;
};

class DrawHook {
public:
    virtual ~DrawHook() = default;
    // Called after each draw, outside the accounted time.
    virtual void afterDraw(const DrawRepeat& repeat) = 0;
};

// Nanoseconds spent inside the accounted calls since the process started.
int64_t driverCallNanoseconds();
// Routes glBufferData and glBufferSubData (GLEW entry points) through the accounting; call
// once after glewInit. Draws and clears are accounted from the start.
void accountBufferUploads();
// The hook told of every draw from now on; null for none.
void setDrawHook(DrawHook* hook);
