// Whether the driver can render the frame at a size, asked before the targets are made and
// checked after: the context's size limits (GL_MAX_TEXTURE_SIZE, GL_MAX_RENDERBUFFER_SIZE,
// GL_MAX_VIEWPORT_DIMS) against the size, a proxy texture (GL_PROXY_TEXTURE_2D) for each target's
// format at its size, which allocates nothing, and once the targets exist, each framebuffer's
// completeness and GL_OUT_OF_MEMORY. Every answer is what failed in words, empty when nothing
// did, for the one line "orbitview: cannot render at W x H: ...". Reads the GL state; makes and
// writes nothing.
#pragma once

#include <GL/glew.h>
#include <string>
#include <utility>
#include <vector>

struct TargetLimits {
    int maxTextureSize = 0;
    int maxRenderbufferSize = 0;
    int maxViewportWidth = 0, maxViewportHeight = 0;
};

// The current context's limits.
TargetLimits queryTargetLimits();
// The first limit a width x height frame exceeds ("the width is over GL_MAX_TEXTURE_SIZE
// (16384)"); empty when it fits all of them. Pure.
std::string sizeOverLimits(const TargetLimits& limits, int width, int height);

// One texture a frame needs: its internal format and matching pixel format, at its size.
struct TargetFormat {
    GLenum internalFormat;
    GLenum format;
    int width, height;
};

// The first target whose proxy texture the driver refuses ("the driver cannot back a
// 16384 x 16384 RGBA32F texture"); empty when it would back every one. Within the limits a
// refusal raises no GL error; beyond them a driver may raise GL_INVALID_VALUE as well, so
// sizeProblem asks the limits first.
std::string unbackedTarget(const std::vector<TargetFormat>& targets);
// The limits at width x height, then the targets' proxies: the first thing that fails.
std::string sizeProblem(int width, int height, const std::vector<TargetFormat>& targets);

// After targets were made: GL_OUT_OF_MEMORY among the queued errors, else the first of the
// named framebuffers that is not complete; empty when neither. Takes every queued error; one
// that is not GL_OUT_OF_MEMORY gets its usual "GL: " line on stderr (resources/gl_error.h).
std::string madeTargetsProblem(const std::vector<std::pair<GLuint, const char*>>& framebuffers);

// "orbitview: cannot render at 16384 x 16384: " followed by the problem: the refusal's line,
// without a line end.
std::string sizeRefusal(int width, int height, const std::string& problem);
