// The GLFW window: creation with the program's four context hints, GLEW, the callbacks, swap and
// event polling.
#include "app/window.h"

#include <GL/glew.h>

#include <cstdio>

const char* const kWindowTitle = "Quillon Works";

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

bool Window::open(int width, int height, WindowMode mode)
{
    glfwSetErrorCallback(reportGlfwError);
    if (!glfwInit()) {
        std::fputs("Failed to initialize GLFW\n", stderr);
        return false;
    }
    glfwWindowHint(GLFW_SAMPLES, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 2);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);

    const bool fullScreen = mode == WindowMode::FullScreen;
    handle = glfwCreateWindow(width, height, fullScreen ? kFullScreenTitle : kWindowTitle,
                              fullScreen ? glfwGetPrimaryMonitor() : nullptr, nullptr);
    if (!handle) {
        std::fputs("Failed to open GLFW window.\n", stderr);
        glfwTerminate();
        return false;
    }
    owned = true;
    glfwMakeContextCurrent(handle);
    connect();

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        std::fputs("Failed to initialize GLEW.\n", stderr);
        close();
        return false;
    }
    // GLEW's experimental loader leaves a GL_INVALID_ENUM behind on some drivers; it is not ours.
    glGetError();
    return true;
}

void Window::connect()
{
    glfwSetWindowUserPointer(handle, this);
    glfwSetWindowSizeCallback(handle, onWindowSize);
    glfwSetKeyCallback(handle, onKey);
    glfwSetWindowIconifyCallback(handle, onIconify);
}

void Window::present() const
{
    glfwSwapBuffers(handle);
    glfwPollEvents();
}

void Window::close()
{
    if (!handle)
        return;
    glfwSetWindowUserPointer(handle, nullptr);
    if (owned) {
        glfwDestroyWindow(handle);
        glfwTerminate();
    }
    handle = nullptr;
}
