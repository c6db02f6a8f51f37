// GPU intervals: a growing pool of query objects per ring slot, reused frame after frame, so the
// steady state makes no GL objects and no heap allocations.
#include "resources/gpu_intervals.h"

void GpuIntervals::beginFrame(long frame)
{
    stop();
    const long due = QueryRing::dueAt(frame);
    if (due >= 0)
        readBack(due);
    writing = &slots[std::size_t(QueryRing::slotOf(frame))];
    writing->used = 0;
}

void GpuIntervals::start(int label)
{
    if (!writing)
        return;
    glFlush();
    if (running)
        glEndQuery(GL_TIME_ELAPSED);
    if (writing->used == writing->queries.size()) {
        GLuint query = 0;
        glGenQueries(1, &query);
        writing->queries.push_back(query);
        writing->labels.push_back(label);
    }
    writing->labels[writing->used] = label;
    glBeginQuery(GL_TIME_ELAPSED, writing->queries[writing->used]);
    ++writing->used;
    running = true;
    glFlush();
}

void GpuIntervals::stop()
{
    if (!running)
        return;
    glFlush();
    glEndQuery(GL_TIME_ELAPSED);
    glFlush();
    running = false;
}

void GpuIntervals::readBack(long frame)
{
    Slot& slot = slots[std::size_t(QueryRing::slotOf(frame))];
    for (std::size_t i = 0; i < slot.used; ++i) {
        GLint available = 0;
        glGetQueryObjectiv(slot.queries[i], GL_QUERY_RESULT_AVAILABLE, &available);
        if (!available)
            ++lateResults;
        GLuint64 nanoseconds = 0;
        glGetQueryObjectui64v(slot.queries[i], GL_QUERY_RESULT, &nanoseconds);
        sink(frame, slot.labels[i], double(nanoseconds) * 1e-6);
    }
    slot.used = 0;
}

void GpuIntervals::finish(long frameCount)
{
    stop();
    glFinish();
    for (const long frame : QueryRing::pendingAfter(frameCount))
        readBack(frame);
    writing = nullptr;
}

void GpuIntervals::release()
{
    for (Slot& slot : slots) {
        if (!slot.queries.empty())
            glDeleteQueries(GLsizei(slot.queries.size()), slot.queries.data());
        slot.queries.clear();
        slot.labels.clear();
        slot.used = 0;
    }
    writing = nullptr;
    running = false;
}
