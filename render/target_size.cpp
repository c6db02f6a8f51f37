// The frame's size against the driver: limits, proxy textures, and the made targets' state.
#include "render/target_size.h"

#include "resources/gl_error.h"

#include <cstdio>

namespace {

// More queued errors than any driver keeps after one batch of target creation.
constexpr int kMostQueuedErrors = 16;

const char* formatName(GLenum internalFormat)
{
    switch (internalFormat) {
    case GL_RGBA32F: return "RGBA32F";
    case GL_RGB32F: return "RGB32F";
    case GL_RGBA8: return "RGBA8";
    case GL_DEPTH_COMPONENT32F: return "DEPTH_COMPONENT32F";
    case GL_DEPTH_COMPONENT24: return "DEPTH_COMPONENT24";
    default: return "unnamed";
    }
}

std::string sizeText(int width, int height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace

TargetLimits queryTargetLimits()
{
    TargetLimits limits;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limits.maxTextureSize);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limits.maxRenderbufferSize);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    limits.maxViewportWidth = viewport[0];
    limits.maxViewportHeight = viewport[1];
    return limits;
}

std::string sizeOverLimits(const TargetLimits& limits, int width, int height)
{
    const struct {
        const char* name;
        int maxWidth, maxHeight;
    } checks[] = {
        {"GL_MAX_TEXTURE_SIZE", limits.maxTextureSize, limits.maxTextureSize},
        {"GL_MAX_RENDERBUFFER_SIZE", limits.maxRenderbufferSize, limits.maxRenderbufferSize},
        {"GL_MAX_VIEWPORT_DIMS", limits.maxViewportWidth, limits.maxViewportHeight},
    };
    for (const auto& check : checks) {
        if (width > check.maxWidth)
            return "the width is over " + std::string(check.name) + " (" + std::to_string(check.maxWidth) + ")";
        if (height > check.maxHeight)
            return "the height is over " + std::string(check.name) + " (" + std::to_string(check.maxHeight) + ")";
    }
    return {};
}

std::string unbackedTarget(const std::vector<TargetFormat>& targets)
{
    for (const TargetFormat& target : targets) {
        glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GLint(target.internalFormat), target.width, target.height, 0,
                     target.format, GL_FLOAT, nullptr);
        GLint width = 0;
        glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        if (width == 0)
            return "the driver cannot back a " + sizeText(target.width, target.height) + " " +
                   formatName(target.internalFormat) + " texture";
    }
    return {};
}

std::string sizeProblem(int width, int height, const std::vector<TargetFormat>& targets)
{
    const std::string problem = sizeOverLimits(queryTargetLimits(), width, height);
    return problem.empty() ? unbackedTarget(targets) : problem;
}

std::string madeTargetsProblem(const std::vector<std::pair<GLuint, const char*>>& framebuffers)
{
    bool outOfMemory = false;
    for (int i = 0; i < kMostQueuedErrors; ++i) {
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR)
            break;
        if (error == GL_OUT_OF_MEMORY)
            outOfMemory = true;
        else
            std::fprintf(stderr, "%s\n", errorTextOf(error));
    }
    if (outOfMemory)
        return "the driver ran out of memory making the targets (GL_OUT_OF_MEMORY)";
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    std::string problem;
    for (const auto& [framebuffer, name] : framebuffers) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
        if (status != GL_FRAMEBUFFER_COMPLETE) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%04x", status);
            problem = std::string("the framebuffer ") + name + " is not complete (status " + code + ")";
            break;
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(bound));
    return problem;
}

std::string sizeRefusal(int width, int height, const std::string& problem)
{
    return "orbitview: cannot render at " + sizeText(width, height) + ": " + problem;
}
