// The offscreen output (made and re-made at the frame's size, labelled for graphics debuggers),
// the size check before the first one is made, its read-back, and the surface's monotonic clock.
#include "app/offscreen_surface.h"

#include "render/frame_resources.h"
#include "resources/timer.h"
#include "scene/gl_debug.h"
#include "scene/gl_names.h"

#include <cstdio>

namespace {

// The output's own textures at width x height.
std::vector<TargetFormat> outputFormats(int width, int height)
{
    return {{GL_RGBA8, GL_RGBA, width, height}, {GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, width, height}};
}

}  // namespace

std::unique_ptr<OffscreenSurface> OffscreenSurface::open(int width, int height, int gpu)
{
    std::unique_ptr<OffscreenSurface> surface(new OffscreenSurface);
    if (!surface->context.open(gpu))
        return nullptr;
    std::vector<TargetFormat> formats = outputFormats(width, height);
    for (const TargetFormat& target : RenderTargets::formats(width, height))
        formats.push_back(target);
    std::string problem = sizeProblem(width, height, formats);
    if (problem.empty())
        problem = surface->makeOutput(width, height);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", sizeRefusal(width, height, problem).c_str());
        return nullptr;
    }
    return surface;
}

OffscreenSurface::OffscreenSurface(int width, int height)
{
    makeOutput(width, height);
}

OffscreenSurface::~OffscreenSurface()
{
    releaseOutput();
    context.close();
}

void OffscreenSurface::size(int& outputWidth, int& outputHeight) const
{
    outputWidth = width;
    outputHeight = height;
}

std::string OffscreenSurface::makeOutput(int outputWidth, int outputHeight)
{
    releaseOutput();
    width = outputWidth;
    height = outputHeight;
    colourTex = makeTarget(GL_RGBA8, GL_RGBA, width, height, GL_NEAREST);
    depthTex = makeTarget(GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, width, height, GL_NEAREST);
    framebuffer = makeFramebuffer(depthTex, colourTex);
    labelObject(GL_TEXTURE, colourTex, "outputColorTex");
    labelObject(GL_TEXTURE, depthTex, "outputDepthTex");
    labelObject(GL_FRAMEBUFFER, framebuffer, "outputFbo");
    return madeTargetsProblem({{framebuffer, "outputFbo"}});
}

void OffscreenSurface::resizeOutput(int outputWidth, int outputHeight)
{
    if (outputWidth != width || outputHeight != height)
        makeOutput(outputWidth, outputHeight);
}

void OffscreenSurface::releaseOutput()
{
    deleteFramebuffer(framebuffer);
    deleteTexture(colourTex);
    deleteTexture(depthTex);
}

bool OffscreenSurface::readOutput(int readWidth, int readHeight, std::vector<unsigned char>& rgb,
                                  GLenum& glError) const
{
    rgb.resize(std::size_t(readWidth) * std::size_t(readHeight) * 3);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, readWidth, readHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glError = glGetError();
    return glError == GL_NO_ERROR;
}

double OffscreenSurface::clockNow() const
{
    return steadyClockSeconds();
}
