// The window: a GLFW window with its OpenGL 3.2 core context, current and with GL entry points
// loaded through GLEW. Owns the GLFW callbacks: Escape and the close button end the loop, other
// key presses and size events go to the handlers the Application sets, iconify events mark the
// window hidden. Sets the title, polls keys, swaps buffers and polls events. GLFW's error
// descriptions go to stderr, one line each.
#pragma once

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <functional>
#include <string>

enum class WindowMode { Windowed, FullScreen, Headless };

struct Window {
    GLFWwindow* handle = nullptr;
    bool owned = true;       // made by open(), so close() destroys it and terminates GLFW
    bool iconified = false;  // set by the iconify callback
    std::function<void(int key)> keyPressed;              // every press but Escape
    std::function<void(int width, int height)> resized;   // window-size events, 0 x 0 included

    // Opens the window titled kWindowTitle, or full screen on the primary monitor titled "KITE"
    // for WindowMode::FullScreen. False, with GLFW's error and one line of ours on stderr, when
    // GLFW, the window or GLEW fails; nothing is left open then.
    bool open(int width, int height, WindowMode mode);
    // Routes the window's events to this object (the callbacks find it by the user pointer).
    void connect();
    bool shouldClose() const { return glfwWindowShouldClose(handle); }
    // Iconified, or not mapped on the screen (some window managers unmap windows on other
    // desktops): nothing the frame draws can be seen.
    bool hidden() const { return iconified || !glfwGetWindowAttrib(handle, GLFW_VISIBLE); }
    void setTitle(const std::string& title) const { glfwSetWindowTitle(handle, title.c_str()); }
    bool keyDown(int key) const { return glfwGetKey(handle, key) == GLFW_PRESS; }
    // Swaps the buffers and handles the events that came meanwhile.
    void present() const;
    // Destroys the window and terminates GLFW when open() made it; else only disconnects.
    void close();
};

// "Quillon Works": the window's title, and the frame-rate title's start in both builds.
extern const char* const kWindowTitle;

// GLFW's error callback: the description and a line end on stderr (GLFW's own texts have none).
void reportGlfwError(int code, const char* description);
