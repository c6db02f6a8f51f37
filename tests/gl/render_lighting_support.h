// Helpers of the render-lighting GL tests: a renderer with its programs and targets, a unit
// square mesh facing +y, float textures filled with one value, and float pixel read-back from
// an off-screen framebuffer (never the multisampled window).
#pragma once

#include "render/renderer.h"

#include <GL/glew.h>
#include <glm/glm.hpp>
#include <memory>
#include <vector>

namespace render_lighting_test {

constexpr int kTargetSize = 64;

// Programs built and targets made at kTargetSize x kTargetSize; console output swallowed.
std::unique_ptr<Renderer> makeRenderer();

// A square of half-size 1 in the y = 0 plane, normal +y, tangent (+u) along +x and +v along -z:
// an unmirrored mapping, tangent x bitangent = normal.
void addSquare(MeshObject& mesh);

// A width x height texture of the given internal format, every texel = value (RGBA floats).
GLuint makeFilledTexture(GLenum internalFormat, int width, int height, const glm::vec4& value,
                         GLenum filter = GL_LINEAR);
// Overwrites every texel of an existing 2D float texture with value.
void fillTexture(GLuint texture, int width, int height, const glm::vec4& value);

// RGBA floats of one pixel of framebuffer fbo's colour attachment 0.
glm::vec4 readPixel(GLuint fbo, int x, int y);
// RGBA floats of a whole width x height area, rows bottom-up.
std::vector<glm::vec4> readPixels(GLuint fbo, int width, int height);

// A colour-only RGBA32F target to draw passes into for read-back.
struct FloatTarget {
    GLuint texture = 0;
    GLuint fbo = 0;
    FloatTarget(int width, int height);
    ~FloatTarget();
    FloatTarget(const FloatTarget&) = delete;
    FloatTarget& operator=(const FloatTarget&) = delete;
};

}  // namespace render_lighting_test
