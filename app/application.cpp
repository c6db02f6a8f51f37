// Application start-up, frame loop and shutdown.
#include "app/application.h"

#include "scene/gl_debug.h"
#include "resources/gl_error.h"
#include <algorithm>
#include <cstdio>
#include <utility>

const char* const kWindowTitle = "Quillon Works";

namespace {
const char* const kFullScreenTitle = "KITE";
constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 1000.0f;
// A frame after a stall (a debugger, a suspended process) hands on no longer a step than this,
// so the scripted camera's angles never wrap past their chase threshold in one step.
constexpr double kMaxFrameStep = 1.0;
// While iconified the loop sleeps until an event comes or this many seconds pass.
constexpr double kHiddenWait = 0.1;

void onError(int, const char* description)
{
    std::fputs(description, stderr);
}

void onKey(GLFWwindow* window, int key, int, int action, int)
{
    if (action != GLFW_PRESS)
        return;
    if (key == GLFW_KEY_ESCAPE)
        glfwSetWindowShouldClose(window, GL_TRUE);
    else if (auto* app = static_cast<Application*>(glfwGetWindowUserPointer(window))) {
        app->keyTaps.press(key);
        app->keyPressed(key);
    }
}

// The steps that draw, each one debug group for graphics debuggers.
bool drawsOnGpu(FrameStep step)
{
    return step != FrameStep::Input && step != FrameStep::Animation && step != FrameStep::End;
}

// A window drag sends many sizes within one event poll; only the last reaches the targets.
void onWindowSize(GLFWwindow* window, int width, int height)
{
    if (auto* app = static_cast<Application*>(glfwGetWindowUserPointer(window)))
        app->requestResize(width, height);
}

void onIconify(GLFWwindow* window, int iconified)
{
    if (auto* app = static_cast<Application*>(glfwGetWindowUserPointer(window)))
        app->iconified = iconified == GLFW_TRUE;
}
}  // namespace

Application::Application(int width, int height, WindowMode mode, StartUpStamps* stamps)
{
    StartUpStamps unused;
    StartUpStamps& startUpStamps = stamps ? *stamps : unused;
    startUpStamps.stamp(StartUpStep::Begin);
    StartUpImages images = decodeStartUpImages();
    if (!openWindow(width, height, mode))
        return;
    startUpStamps.stamp(StartUpStep::WindowAndContext);
    // Full screen, GLFW picks the closest video mode: the camera and the targets take the size
    // of the window it made, not the size asked for.
    glfwGetWindowSize(window, &width, &height);
    startUp(width, height, std::move(images), startUpStamps);
}

Application::Application(GLFWwindow* existingWindow) : window(existingWindow), ownsWindow(false)
{
    int width = 0, height = 0;
    glfwGetWindowSize(window, &width, &height);
    StartUpStamps unused;
    startUp(width, height, decodeStartUpImages(), unused);
}

void Application::startUp(int width, int height, StartUpImages images, StartUpStamps& startUpStamps)
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
    passTimer.clock = [] { return glfwGetTime(); };

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
    passTimer.release();
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
    glfwSetWindowIconifyCallback(window, onIconify);

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

void Application::requestResize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    pendingWidth = width;
    pendingHeight = height;
}

void Application::resize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    glViewport(0, 0, width, height);
    camera.setProjection(height, width, kNearPlane, kFarPlane);
    renderer.resize(width, height);
}

void Application::keyPressed(int key)
{
    if (key == GLFW_KEY_P)
        sceneClock.togglePause();
    else if (key == GLFW_KEY_PERIOD)
        sceneClock.requestStep();
    else if (key >= GLFW_KEY_F1 && key < GLFW_KEY_F1 + kViewCount)
        setView(View(key - GLFW_KEY_F1));
    else if (key == GLFW_KEY_T)
        passTimer.start(GLEW_VERSION_3_3 || GLEW_ARB_timer_query);
}

void Application::setView(View newView)
{
    view = renderer.viewShown(newView);
    fps.suffix = view == View::Final ? std::string() : std::string(" | view: ") + viewName(view);
    fps.republish(kWindowTitle);
}

void Application::handleInput(float dt, std::optional<float> scriptDt)
{
    ::handleInput(dt, scriptDt, heldOrTapped(keyHeld, keyTaps),
                  InputTargets{*activeCamera, *rocket, *earth, recordingPath, rocketView});
}

void Application::clearFrame(const glm::vec4& colour, bool clearDepth)
{
    glClearColor(colour.r, colour.g, colour.b, colour.a);
    renderer.resources.clear(clearDepth ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT);
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
        if (iconified) {
            glfwWaitEventsTimeout(kHiddenWait);
            continue;
        }
        frame(glfwGetTime());
        present();
    }
    return 0;
}

void Application::present()
{
    glfwSwapBuffers(window);
    glfwPollEvents();
}

void Application::frame(double now, FrameProbe* probe)
{
    if (pendingWidth > 0) {
        resize(pendingWidth, pendingHeight);
        pendingWidth = pendingHeight = 0;
    }
    FrameProbe* const active = probe ? probe : passTimer.probe();
    bool groupOpen = false;
    // Tells the probe, and opens the step's debug group (closing the last one).
    const auto beginStep = [active, &groupOpen](FrameStep step) {
        if (groupOpen)
            popDebugGroup();
        if (active)
            active->mark(step);
        groupOpen = drawsOnGpu(step);
        if (groupOpen)
            pushDebugGroup(frameStepName(step));
    };
    renderer.resources.observer = active;
    beginStep(FrameStep::Input);
    const float dt = float(std::min(now - lastFrameTime, kMaxFrameStep));
    lastFrameTime = now;
    const float sceneDt = float(sceneClock.advance(dt));

    fps.showFps(2.0, kWindowTitle);
    handleInput(dt, sceneClock.advancing ? std::optional<float>(sceneDt) : std::nullopt);
    updateFrustumPlanes(camera.projection, camera.view);
    const FrameScene scene{camera, meshes, unlitMeshes, lights, frustumPlanes, rocketView};
    const FrameResources& resources = renderer.resources;

    // Every earlier pass ends by binding framebuffer 0, so this clears the window.
    beginStep(FrameStep::WindowClear);
    clearFrame(glm::vec4(0.0f), true);
    resources.clear(GL_DEPTH_BUFFER_BIT);
    beginStep(FrameStep::NormalDepth);
    renderer.normalDepth.render(scene, resources);
    beginStep(FrameStep::Ssao);
    renderer.ssao.render(scene, resources);
    beginStep(FrameStep::Lighting);
    renderer.lighting.render(scene, resources);
    beginStep(FrameStep::SkyBox);
    renderer.skyBox.render(scene, resources);
    beginStep(FrameStep::Particles);
    // The exhaust leaves the nozzle, half a unit along the rocket's up axis, towards -up.
    setEmitterPosition(rocket->position + 0.5f * rocket->up + 0.02f * rocket->right);
    setEmitterDirection(-rocket->up);
    renderer.particles.render(scene, resources, sceneClock.sceneTime(now));
    beginStep(FrameStep::Unlit);
    renderer.unlit.render(scene, resources);
    beginStep(FrameStep::LensFlare);
    renderer.lensFlare.render(scene, resources);
    beginStep(FrameStep::DepthOfField);
    renderer.depthOfField.render(scene, resources);
    beginStep(FrameStep::Composite);
    renderer.composite.render(scene, resources, renderer.lensFlare);
    renderer.drawView(view, scene);
    checkGlError();

    beginStep(FrameStep::Animation);
    // The spins are fixed steps per frame, so a held scene skips the animation altogether.
    if (sceneClock.advancing)
        animate(sceneDt);
    beginStep(FrameStep::End);
    renderer.resources.observer = nullptr;
}
