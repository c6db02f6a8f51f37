// The GL test fixture (see gl_fixture.h): the hidden window and context, created once for the
// whole test run, and the helpers. PNG fixtures go through stb_image_write, kept private to this
// unit so it never clashes with another user of the same header.
#include "gl_fixture.h"

#include "app/headless_context.h"
#include "app/offscreen_surface.h"
#include "app/window.h"
#include "app/start_up_images.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {
GLFWwindow* window = nullptr;
HeadlessContext headless;

class GlEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY")) {
            ASSERT_TRUE(headless.open(0)) << "no DISPLAY and no headless EGL context";
            drainGlErrors();
            return;
        }
        ASSERT_TRUE(glfwInit()) << "no display: run the GL tests under Xvfb";
        glfwWindowHint(GLFW_SAMPLES, 4);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 2);
        glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
        glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
        window = glfwCreateWindow(640, 360, "gl_tests", nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        glfwMakeContextCurrent(window);
        glewExperimental = GL_TRUE;
        ASSERT_EQ(glewInit(), GLEW_OK);
        drainGlErrors();
    }
    void TearDown() override
    {
        headless.close();
        if (!window)
            return;
        glfwDestroyWindow(window);
        window = nullptr;
        // No glfwTerminate: it would unload the GL driver, and LeakSanitizer would then report the
        // driver's own allocations as leaks without symbols. The process ends right after.
    }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new GlEnvironment);

GLint levelParameter(GLuint texture, GLenum parameter)
{
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, parameter, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}
}  // namespace

GLFWwindow* testWindow() { return window; }

std::unique_ptr<Surface> testSurface()
{
    if (window)
        return std::make_unique<Window>(window);
    return std::make_unique<OffscreenSurface>(640, 360);
}

int drainGlErrors()
{
    int count = 0;
    while (glGetError() != GL_NO_ERROR)
        ++count;
    return count;
}

int boundSamplers()
{
    GLint activeUnit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
    int bound = 0;
    for (GLenum unit = 0; unit < 16; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        GLint sampler = 0;
        glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
        bound += sampler != 0;
    }
    glActiveTexture(GLenum(activeUnit));
    return bound;
}

LiveGlObjects liveGlObjects()
{
    const GLuint newest = glCreateShader(GL_VERTEX_SHADER);
    glDeleteShader(newest);
    LiveGlObjects live;
    for (GLuint name = 1; name < std::max<GLuint>(newest + 256, 4096); ++name) {
        live.shaders += glIsShader(name) ? 1 : 0;
        live.programs += glIsProgram(name) ? 1 : 0;
    }
    return live;
}

std::string shaderLog(GLuint shader)
{
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<GLchar> log(static_cast<size_t>(std::max(length, 0)) + 1, 0);
    glGetShaderInfoLog(shader, length, nullptr, log.data());
    return log.data();
}

std::string programLog(GLuint program)
{
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::vector<GLchar> log(static_cast<size_t>(std::max(length, 0)) + 1, 0);
    glGetProgramInfoLog(program, length, nullptr, log.data());
    return log.data();
}

Renderer* SharedRendererTest::renderer = nullptr;

void SharedRendererTest::SetUpTestSuite()
{
    renderer = new Renderer;
    testing::internal::CaptureStdout();
    renderer->createShaderPrograms();
    StartUpImages images = decodeStartUpImages();
    renderer->createRenderTargets(kTargetSize, kTargetSize, std::move(images.lensStar), std::move(images.lensDirt),
                                  std::move(images.lensColour));
    testing::internal::GetCapturedStdout();
}

void SharedRendererTest::TearDownTestSuite()
{
    renderer->release();
    delete renderer;
    renderer = nullptr;
}

void addQuads(MeshObject& mesh, const std::vector<Quad>& quads)
{
    static const glm::vec2 cornerTexCoords[4] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    std::vector<glm::vec3> positions, normals, tangents;
    std::vector<glm::vec2> texCoords;
    std::vector<GLuint> indices;
    for (const Quad& quad : quads) {
        const GLuint base = GLuint(positions.size());
        for (int corner = 0; corner < 4; ++corner) {
            positions.push_back(quad.corners[corner]);
            texCoords.push_back(cornerTexCoords[corner]);
            normals.push_back(quad.normal);
            tangents.push_back(glm::normalize(quad.corners[1] - quad.corners[0]));
        }
        for (GLuint index : {0u, 1u, 2u, 0u, 2u, 3u})
            indices.push_back(base + index);
    }

    SubmeshBuffers submesh;
    glGenVertexArrays(1, &submesh.vertexArray);
    glBindVertexArray(submesh.vertexArray);
    auto attribute = [](GLuint& buffer, GLuint location, int components, const void* data, size_t bytes) {
        glGenBuffers(1, &buffer);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(bytes), data, GL_STATIC_DRAW);
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE, 0, nullptr);
    };
    attribute(submesh.positionBuffer, 0, 3, positions.data(), positions.size() * sizeof(glm::vec3));
    attribute(submesh.texCoordBuffer, 1, 2, texCoords.data(), texCoords.size() * sizeof(glm::vec2));
    attribute(submesh.normalBuffer, 2, 3, normals.data(), normals.size() * sizeof(glm::vec3));
    attribute(submesh.tangentBuffer, 3, 3, tangents.data(), tangents.size() * sizeof(glm::vec3));
    glGenBuffers(1, &submesh.indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, submesh.indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * sizeof(GLuint)), indices.data(), GL_STATIC_DRAW);
    submesh.indexCount = GLuint(indices.size());
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    mesh.submeshes.push_back(submesh);
}

GLuint makeTexture(GLenum internalFormat, int width, int height, const std::vector<float>& rgba, GLenum filter)
{
    const GLuint texture = makeTarget(internalFormat, GL_RGBA, width, height, filter);
    if (!rgba.empty()) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_FLOAT, rgba.data());
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    return texture;
}

GLuint makeFilledTexture(GLenum internalFormat, int width, int height, const glm::vec4& value, GLenum filter)
{
    const GLuint texture = makeTexture(internalFormat, width, height, {}, filter);
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

std::vector<float> readTexture(GLuint texture, GLenum format)
{
    const size_t channels = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 1;
    const size_t width = size_t(levelParameter(texture, GL_TEXTURE_WIDTH));
    // NaN until read, so a read that failed matches no expected value.
    std::vector<float> texels(width * size_t(levelParameter(texture, GL_TEXTURE_HEIGHT)) * channels,
                              std::numeric_limits<float>::quiet_NaN());
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texels;
}

glm::vec4 readTexel(GLuint texture, int x, int y)
{
    const std::vector<float> texels = readTexture(texture);
    const float* texel = &texels[(size_t(y) * size_t(levelParameter(texture, GL_TEXTURE_WIDTH)) + size_t(x)) * 4];
    return glm::vec4(texel[0], texel[1], texel[2], texel[3]);
}

FloatTarget::FloatTarget(int width, int height, bool withDepth)
{
    colour = makeFilledTexture(GL_RGBA32F, width, height, glm::vec4(0.0f), GL_NEAREST);
    if (withDepth) {
        glGenTextures(1, &depth);
        glBindTexture(GL_TEXTURE_2D, depth);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32F, width, height, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    if (withDepth)
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depth, 0);
}

// Deleting the bound framebuffer binds framebuffer 0 again.
FloatTarget::~FloatTarget()
{
    glDeleteFramebuffers(1, &fbo);
    glDeleteTextures(1, &colour);
    glDeleteTextures(1, &depth);
}

std::string writePngFixture(const std::string& name, int width, int height, int channels,
                            const std::vector<unsigned char>& pixels)
{
    const std::string path = writeFixtureFile(name, "");
    EXPECT_EQ(pixels.size(), static_cast<size_t>(width * height * channels));
    EXPECT_NE(stbi_write_png(path.c_str(), width, height, channels, pixels.data(), width * channels), 0);
    return path;
}
