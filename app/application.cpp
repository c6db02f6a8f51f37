// Application start-up, frame loop and shutdown.
#include "app/application.h"

#include "resources/gl_error.h"
#include <cstdio>
#include <utility>

const char* const kWindowTitle = "Quillon Works";

namespace {
const char* const kFullScreenTitle = "KITE";
constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 1000.0f;

void onError(int, const char* description)
{
    std::fputs(description, stderr);
}

void onKey(GLFWwindow* window, int key, int, int action, int)
{
    if (key == GLFW_KEY_ESCAPE && action == GLFW_PRESS)
        glfwSetWindowShouldClose(window, GL_TRUE);
}

void onWindowSize(GLFWwindow* window, int width, int height)
{
    if (auto* app = static_cast<Application*>(glfwGetWindowUserPointer(window)))
        app->resize(width, height);
}
}  // namespace

Application::Application(int width, int height, WindowMode mode)
{
    startUpStamps.stamp(StartUpStep::Begin);
    StartUpImages images = decodeStartUpImages();
    if (!openWindow(width, height, mode))
        return;
    startUpStamps.stamp(StartUpStep::WindowAndContext);
    // Full screen, GLFW picks the closest video mode: the camera and the targets take the size
    // of the window it made, not the size asked for.
    glfwGetWindowSize(window, &width, &height);
    startUp(width, height, std::move(images));
}

Application::Application(GLFWwindow* existingWindow) : window(existingWindow), ownsWindow(false)
{
    startUpStamps.stamp(StartUpStep::Begin);
    startUpStamps.stamp(StartUpStep::WindowAndContext);
    int width = 0, height = 0;
    glfwGetWindowSize(window, &width, &height);
    startUp(width, height, decodeStartUpImages());
}

void Application::startUp(int width, int height, StartUpImages images)
{
    activeCamera = &camera;
    camera.followMode = false;
    placeCamera();
    camera.setProjection(height, width, kNearPlane, kFarPlane);
    // The size callback needs the renderer as well as the camera, so it finds the Application.
    glfwSetWindowUserPointer(window, this);

    fps.clock = [] { return glfwGetTime(); };
    fps.setTitle = [this](const std::string& title) { glfwSetWindowTitle(window, title.c_str()); };
    keyHeld = [this](int key) { return glfwGetKey(window, key) == GLFW_PRESS; };

    renderer.createShaderPrograms();
    startUpStamps.stamp(StartUpStep::ShaderPrograms);
    renderer.createRenderTargets(camera.viewportWidth, camera.viewportHeight, std::move(images.lensStar),
                                 std::move(images.lensDirt), std::move(images.lensColour));
    startUpStamps.stamp(StartUpStep::RenderTargets);
    renderer.skyBox.init(std::move(images.starField));
    checkGlError();
    startUpStamps.stamp(StartUpStep::SkyBox);
    createMeshes(images);
    startUpStamps.stamp(StartUpStep::Meshes);
    createLights();
    camera.followMode = true;
    renderer.particles.init();
    startUpStamps.stamp(StartUpStep::LightsAndParticles);
}

Application::~Application()
{
    if (!window)
        return;
    deleteSceneObjects();
    renderer.release();
    if (!ownsWindow) {
        glfwSetWindowUserPointer(window, nullptr);
        return;
    }
    glfwDestroyWindow(window);
    glfwTerminate();
}

bool Application::openWindow(int width, int height, WindowMode mode)
{
    glfwSetErrorCallback(onError);
    if (!glfwInit()) {
        std::fputs("Failed to initialize GLFW\n", stderr);
        return false;
    }
    glfwWindowHint(GLFW_SAMPLES, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 2);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);

    const bool fullScreen = mode == WindowMode::FullScreen;
    window = glfwCreateWindow(width, height, fullScreen ? kFullScreenTitle : kWindowTitle,
                              fullScreen ? glfwGetPrimaryMonitor() : nullptr, nullptr);
    if (!window) {
        std::fputs("Failed to open GLFW window.\n", stderr);
        glfwTerminate();
        return false;
    }
    glfwMakeContextCurrent(window);
    glfwSetWindowSizeCallback(window, onWindowSize);
    glfwSetKeyCallback(window, onKey);

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        std::fputs("Failed to initialize GLEW.\n", stderr);
        glfwDestroyWindow(window);
        window = nullptr;
        glfwTerminate();
        return false;
    }
    // GLEW's experimental loader leaves a GL_INVALID_ENUM behind on some drivers; it is not ours.
    glGetError();
    return true;
}

void Application::resize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    glViewport(0, 0, width, height);
    camera.setProjection(height, width, kNearPlane, kFarPlane);
    renderer.resize(width, height);
}

void Application::clearFrame(const glm::vec4& colour, bool clearDepth)
{
    glClearColor(colour.r, colour.g, colour.b, colour.a);
    glClear(clearDepth ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT);
}

void Application::updateFrustumPlanes(const glm::mat4& projection, const glm::mat4& view)
{
    frustumPlanes = computeFrustumPlanes(projection, view);
}

void Application::setEmitterPosition(const glm::vec3& position)
{
    renderer.particles.emitterPosition = position;
}

void Application::setEmitterDirection(const glm::vec3& direction)
{
    renderer.particles.emitterDirection = direction;
}

int Application::run()
{
    lastFrameTime = glfwGetTime();
    while (!glfwWindowShouldClose(window)) {
        frame(glfwGetTime());
        glfwSwapBuffers(window);
        glfwPollEvents();
    }
    return 0;
}

void Application::frame(double now)
{
    mark(FrameStep::Input);
    const float dt = float(now - lastFrameTime);
    lastFrameTime = now;

    fps.showFps(2.0, kWindowTitle);
    handleInput(dt);
    updateFrustumPlanes(camera.projection, camera.view);
    const FrameScene scene{camera, meshes, unlitMeshes, lights, frustumPlanes, rocketView};

    // Every earlier pass ends by binding framebuffer 0, so this clears the window.
    mark(FrameStep::WindowClear);
    clearFrame(glm::vec4(0.0f), true);
    glClear(GL_DEPTH_BUFFER_BIT);
    mark(FrameStep::NormalDepth);
    renderer.renderNormalDepth(scene);
    mark(FrameStep::Ssao);
    renderer.renderSsao(scene);
    mark(FrameStep::Lighting);
    renderer.renderLighting(scene);
    mark(FrameStep::SkyBox);
    renderer.drawSkyBox(scene);
    mark(FrameStep::Particles);
    // The exhaust leaves the nozzle, half a unit along the rocket's up axis, towards -up.
    setEmitterPosition(rocket->position + 0.5f * rocket->up + 0.02f * rocket->right);
    setEmitterDirection(-rocket->up);
    renderer.renderParticles(scene, now);
    mark(FrameStep::Unlit);
    renderer.renderUnlit(scene);
    mark(FrameStep::LensFlare);
    renderer.renderLensFlare(scene);
    mark(FrameStep::DepthOfField);
    renderer.renderDepthOfField(scene);
    mark(FrameStep::Composite);
    renderer.renderComposite(scene);
    checkGlError();

    mark(FrameStep::Animation);
    animate(dt);
    mark(FrameStep::End);
}
