// Helpers of the render-lighting GL tests (see render_lighting_support.h).
#include "render_lighting_support.h"

#include "app/start_up_images.h"

#include <gtest/gtest.h>
#include <utility>

namespace render_lighting_test {

std::unique_ptr<Renderer> makeRenderer()
{
    auto renderer = std::make_unique<Renderer>();
    testing::internal::CaptureStdout();
    renderer->createShaderPrograms();
    StartUpImages images = decodeStartUpImages();
    renderer->createRenderTargets(kTargetSize, kTargetSize, std::move(images.lensStar), std::move(images.lensDirt),
                                  std::move(images.lensColour));
    testing::internal::GetCapturedStdout();
    return renderer;
}

void addSquare(MeshObject& mesh)
{
    static const float positions[] = {-1, 0, -1, 1, 0, -1, 1, 0, 1, -1, 0, 1};
    static const float texCoords[] = {0, 1, 1, 1, 1, 0, 0, 0};
    static const float normals[] = {0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0};
    static const float tangents[] = {1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0};
    static const GLuint indices[] = {0, 1, 2, 0, 2, 3};

    SubmeshBuffers submesh;
    glGenVertexArrays(1, &submesh.vertexArray);
    glBindVertexArray(submesh.vertexArray);
    auto attribute = [](GLuint& buffer, GLuint location, int components, const float* data, size_t bytes) {
        glGenBuffers(1, &buffer);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(bytes), data, GL_STATIC_DRAW);
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE, 0, nullptr);
    };
    attribute(submesh.positionBuffer, 0, 3, positions, sizeof(positions));
    attribute(submesh.texCoordBuffer, 1, 2, texCoords, sizeof(texCoords));
    attribute(submesh.normalBuffer, 2, 3, normals, sizeof(normals));
    attribute(submesh.tangentBuffer, 3, 3, tangents, sizeof(tangents));
    glGenBuffers(1, &submesh.indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, submesh.indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof(indices), indices, GL_STATIC_DRAW);
    submesh.indexCount = 6;
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    mesh.submeshes.push_back(submesh);
}

GLuint makeFilledTexture(GLenum internalFormat, int width, int height, const glm::vec4& value, GLenum filter)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, GL_RGBA, GL_FLOAT, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    fillTexture(texture, width, height, value);
    return texture;
}

void fillTexture(GLuint texture, int width, int height, const glm::vec4& value)
{
    const std::vector<glm::vec4> texels(size_t(width) * size_t(height), value);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
}

glm::vec4 readPixel(GLuint fbo, int x, int y)
{
    glm::vec4 pixel(0.0f);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_FLOAT, &pixel[0]);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    return pixel;
}

std::vector<glm::vec4> readPixels(GLuint fbo, int width, int height)
{
    std::vector<glm::vec4> pixels(size_t(width) * size_t(height));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_FLOAT, pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    return pixels;
}

FloatTarget::FloatTarget(int width, int height)
{
    texture = makeFilledTexture(GL_RGBA32F, width, height, glm::vec4(0.0f), GL_NEAREST);
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

FloatTarget::~FloatTarget()
{
    glDeleteFramebuffers(1, &fbo);
    glDeleteTextures(1, &texture);
}

}  // namespace render_lighting_test
