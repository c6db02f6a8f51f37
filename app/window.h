// The window surface: a GLFW window with its OpenGL 3.2 core context, current and with GL entry
// points loaded through GLEW. Owns the GLFW callbacks: Escape and the close button end the loop,
// other key presses and size events go to the surface's handlers, iconify events mark the window
// hidden. Draws into framebuffer 0, resolves its samples for a read-back, sets the title, polls
// keys, swaps buffers and handles events. GLFW's error descriptions go to stderr, one line each.
// The only unit that calls GLFW.
#pragma once

#include "app/surface.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

class Window final : public Surface {
public:
    // Opens the window titled kWindowTitle, or full screen on the primary monitor titled "KITE".
    // Null, with GLFW's error and one line of ours on stderr, when GLFW, the window or GLEW fails;
    // nothing is left open then.
    static std::unique_ptr<Window> open(int width, int height, bool fullScreen);
    // A window someone else made and keeps (the GL tests'): its events come here until this goes.
    explicit Window(GLFWwindow* existing);
    // Destroys the window and terminates GLFW when open() made it; else only disconnects.
    ~Window() override;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    void size(int& width, int& height) const override { glfwGetWindowSize(handle, &width, &height); }
    GLuint outputFramebuffer() const override { return 0; }
    void resizeOutput(int, int) override {}
    bool readOutput(int width, int height, std::vector<unsigned char>& rgb, GLenum& glError) const override;
    void present() override;
    double clockNow() const override { return glfwGetTime(); }
    bool keepRunning() const override { return !glfwWindowShouldClose(handle); }
    // Iconified, or not mapped on the screen (some window managers unmap windows on other
    // desktops): nothing the frame draws can be seen.
    bool hidden() const override { return iconified || !glfwGetWindowAttrib(handle, GLFW_VISIBLE); }
    void waitForEvents(double seconds) override;
    void setTitle(const std::string& title) override { glfwSetWindowTitle(handle, title.c_str()); }
    bool keyDown(int key) const override { return glfwGetKey(handle, key) == GLFW_PRESS; }
    void startOverlayInput() override;
    void overlayInputFrame() override;
    void stopOverlayInput() override;

    GLFWwindow* handle = nullptr;
    bool owned = false;      // made by open(), so the destructor destroys it and terminates GLFW
    bool iconified = false;  // set by the iconify callback

private:
    Window() = default;
    // Routes the window's events to this object (the callbacks find it by the user pointer).
    void connect();
};

// GLFW's error callback: the description and a line end on stderr (GLFW's own texts have none).
void reportGlfwError(int code, const char* description);
