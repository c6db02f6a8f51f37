// GPU time of labelled intervals of each frame, from GL_TIME_ELAPSED queries read back on the
// QueryRing schedule (two frames late), so reading never waits for rendering.
//
// On llvmpipe a time-elapsed query only times whole scenes (a scene being what is rendered
// between two flushes): begun inside a scene that is still collecting draws, it times the last
// tiles of that scene only. So every boundary here flushes the work before it, ends the running
// query, begins the next one and flushes again, which puts the begin in a scene of its own.
#pragma once

#include "resources/query_ring.h"

#include <GL/glew.h>

#include <array>
#include <cstddef>
#include <functional>
#include <vector>

class GpuIntervals {
public:
    // Called for every result read back: the frame, the interval's label, milliseconds.
    using ResultSink = std::function<void(long frame, int label, double milliseconds)>;

    explicit GpuIntervals(ResultSink sink) : sink(std::move(sink)) {}
    GpuIntervals(const GpuIntervals&) = delete;
    GpuIntervals& operator=(const GpuIntervals&) = delete;
    ~GpuIntervals() { release(); }

    // Reads back the frame that is due, then starts writing frame's slot. Frames count up from 0.
    void beginFrame(long frame);
    // Ends the running interval, if any, and starts one labelled label.
    void start(int label);
    // Ends the running interval, if any.
    void stop();
    // Waits for the GPU and reads back every frame not read yet; frameCount frames ran.
    void finish(long frameCount);
    // Deletes every query object; safe to call twice. Needs the context that made them.
    void release();

    // Results that were not ready when due (each such read waited for the GPU).
    int lateResults = 0;

private:
    struct Slot {
        std::vector<GLuint> queries;
        std::vector<int> labels;
        std::size_t used = 0;
    };
    void readBack(long frame);

    ResultSink sink;
    std::array<Slot, QueryRing::kSlots> slots;
    Slot* writing = nullptr;
    bool running = false;
};
