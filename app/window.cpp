// The GLFW window: creation with the program's four context hints, GLEW, the callbacks, the
// multisample resolve of a read-back, swap and event handling, and Dear ImGui's GLFW back-end
// for the overlay.
#include "app/window.h"

#include <backends/imgui_impl_glfw.h>

#include <cstdio>

namespace {

const char* const kFullScreenTitle = "KITE";

Window* windowOf(GLFWwindow* handle)
{
    return static_cast<Window*>(glfwGetWindowUserPointer(handle));
}

void onKey(GLFWwindow* handle, int key, int, int action, int)
{
    if (action != GLFW_PRESS)
        return;
    if (key == GLFW_KEY_ESCAPE)
        glfwSetWindowShouldClose(handle, GL_TRUE);
    else if (Window* window = windowOf(handle); window && window->keyPressed)
        window->keyPressed(key);
}

void onWindowSize(GLFWwindow* handle, int width, int height)
{
    if (Window* window = windowOf(handle); window && window->resized)
        window->resized(width, height);
}

void onIconify(GLFWwindow* handle, int iconified)
{
    if (Window* window = windowOf(handle))
        window->iconified = iconified == GLFW_TRUE;
}

}  // namespace

void reportGlfwError(int, const char* description)
{
    std::fprintf(stderr, "%s\n", description);
}

std::unique_ptr<Window> Window::open(int width, int height, bool fullScreen)
{
    glfwSetErrorCallback(reportGlfwError);
    if (!glfwInit()) {
        std::fputs("Failed to initialize GLFW\n", stderr);
        return nullptr;
    }
    glfwWindowHint(GLFW_SAMPLES, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 2);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);

    std::unique_ptr<Window> window(new Window);
    window->handle = glfwCreateWindow(width, height, fullScreen ? kFullScreenTitle : kWindowTitle,
                                      fullScreen ? glfwGetPrimaryMonitor() : nullptr, nullptr);
    if (!window->handle) {
        std::fputs("Failed to open GLFW window.\n", stderr);
        glfwTerminate();
        return nullptr;
    }
    window->owned = true;
    glfwMakeContextCurrent(window->handle);
    window->connect();

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        std::fputs("Failed to initialize GLEW.\n", stderr);
        return nullptr;
    }
    // GLEW's experimental loader leaves a GL_INVALID_ENUM behind on some drivers; it is not ours.
    glGetError();
    return window;
}

Window::Window(GLFWwindow* existing) : handle(existing)
{
    connect();
}

Window::~Window()
{
    if (!handle)
        return;
    glfwSetWindowUserPointer(handle, nullptr);
    if (owned) {
        glfwDestroyWindow(handle);
        glfwTerminate();
    }
}

void Window::connect()
{
    glfwSetWindowUserPointer(handle, this);
    glfwSetWindowSizeCallback(handle, onWindowSize);
    glfwSetKeyCallback(handle, onKey);
    glfwSetWindowIconifyCallback(handle, onIconify);
}

bool Window::readOutput(int width, int height, std::vector<unsigned char>& rgb, GLenum& glError) const
{
    // Some drivers refuse to read a multisampled window directly: its samples are resolved by a
    // blit into a single-sampled target first.
    GLuint colour = 0, resolved = 0;
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &resolved);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);

    rgb.resize(std::size_t(width) * std::size_t(height) * 3);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, resolved);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &resolved);
    glDeleteRenderbuffers(1, &colour);
    glError = glGetError();
    return glError == GL_NO_ERROR;
}

void Window::present()
{
    glfwSwapBuffers(handle);
    glfwPollEvents();
}

void Window::waitForEvents(double seconds)
{
    if (seconds > 0.0)
        glfwWaitEventsTimeout(seconds);
    else
        glfwPollEvents();
}

// ImGui's callbacks call the ones installed before them (this window's), so every key still
// reaches the program; the workbench holds back the keys a panel's widget takes.
void Window::startOverlayInput()
{
    ImGui_ImplGlfw_InitForOpenGL(handle, true);
}

void Window::overlayInputFrame()
{
    ImGui_ImplGlfw_NewFrame();
}

// Puts this window's own callbacks back.
void Window::stopOverlayInput()
{
    ImGui_ImplGlfw_Shutdown();
}
