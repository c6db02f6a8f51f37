// Application: owns the window and its GL context, the camera, the scene objects and the
// renderer. The constructor runs the start-up sequence; run() is the frame loop with the
// fixed pass order; the destructor releases everything while the context is still current.
#pragma once

#include "app/fps.h"
#include "scene/camera.h"
#include "scene/frustum.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <string>

enum class WindowMode { Windowed, FullScreen };

class Application {
public:
    Application(int width, int height, WindowMode mode = WindowMode::Windowed);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // False when the window, the context or GLEW could not be made; nothing else ran then.
    bool ready() const { return window != nullptr; }
    int run();

    // Window-size events: 0 x 0 (a minimised window) is ignored.
    void resize(int width, int height);
    void clearFrame(const glm::vec4& colour, bool clearDepth);
    void updateFrustumPlanes(const glm::mat4& projection, const glm::mat4& view);

    Camera camera;
    FrustumPlanes frustumPlanes{};
    FpsCounter fps;
    GLFWwindow* window = nullptr;
    double lastFrameTime = 0.0;
    Camera* activeCamera = nullptr;

private:
    bool openWindow(int width, int height, WindowMode mode);
};

extern const char* const kWindowTitle;
