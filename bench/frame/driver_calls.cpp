// Driver-call accounting. glDrawElements, glDrawArrays and glClear are GL 1.1 entry points that
// the program links straight from libGL: this unit defines them in the benchmark's executable,
// where the linker prefers them to libGL's, and forwards to libGL's own through RTLD_NEXT. The
// buffer uploads are GLEW function pointers, replaced once GLEW has loaded them.
#include "bench/frame/driver_calls.h"

#include <GL/glew.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace {

int64_t accounted = 0;
DrawHook* drawHook = nullptr;
PFNGLBUFFERDATAPROC realBufferData = nullptr;
PFNGLBUFFERSUBDATAPROC realBufferSubData = nullptr;

int64_t nowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

template <typename Function>
Function nextDefinition(const char* name)
{
    void* symbol = dlsym(RTLD_NEXT, name);
    if (!symbol) {
        std::fprintf(stderr, "orbitview_bench: cannot find libGL's %s\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(symbol);
}

// Runs call inside the accounted time.
template <typename Call>
void accountedCall(const Call& call)
{
    const int64_t start = nowNanoseconds();
    call();
    accounted += nowNanoseconds() - start;
}

template <typename Call>
class RepeatCall final : public DrawRepeat {
public:
    explicit RepeatCall(const Call& call) : call(call) {}
    void again() const override { call(); }

private:
    const Call& call;
};

// A draw, then the hook, outside the accounted time: its own flushes and repeats are never
// charged to the driver's share of a step.
template <typename Call>
void hookedDraw(const Call& call)
{
    accountedCall(call);
    if (drawHook)
        drawHook->afterDraw(RepeatCall<Call>(call));
}

void GLAPIENTRY accountedBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage)
{
    accountedCall([&] { realBufferData(target, size, data, usage); });
}

void GLAPIENTRY accountedBufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void* data)
{
    accountedCall([&] { realBufferSubData(target, offset, size, data); });
}

}  // namespace

int64_t driverCallNanoseconds()
{
    return accounted;
}

void accountBufferUploads()
{
    if (realBufferData)
        return;
    realBufferData = __glewBufferData;
    realBufferSubData = __glewBufferSubData;
    __glewBufferData = accountedBufferData;
    __glewBufferSubData = accountedBufferSubData;
}

void setDrawHook(DrawHook* hook)
{
    drawHook = hook;
}

extern "C" {

void GLAPIENTRY glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    static const auto real = nextDefinition<void(GLAPIENTRY*)(GLenum, GLsizei, GLenum, const void*)>("glDrawElements");
    hookedDraw([&] { real(mode, count, type, indices); });
}

void GLAPIENTRY glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    static const auto real = nextDefinition<void(GLAPIENTRY*)(GLenum, GLint, GLsizei)>("glDrawArrays");
    hookedDraw([&] { real(mode, first, count); });
}

void GLAPIENTRY glClear(GLbitfield mask)
{
    static const auto real = nextDefinition<void(GLAPIENTRY*)(GLbitfield)>("glClear");
    accountedCall([&] { real(mask); });
}

}  // extern "C"
