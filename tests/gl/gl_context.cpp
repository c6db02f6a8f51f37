// Creates the hidden window and context once for the whole gl_tests run.
#include "gl_context.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {
GLFWwindow* window = nullptr;

class GlEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
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
        glfwDestroyWindow(window);
        window = nullptr;
        // No glfwTerminate: it would unload the GL driver, and LeakSanitizer would then report the
        // driver's own allocations as leaks without symbols. The process ends right after.
    }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new GlEnvironment);
}  // namespace

GLFWwindow* testWindow() { return window; }

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
