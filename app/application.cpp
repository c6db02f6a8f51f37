// Application start-up on a window or headless, the frame, the window's frame loop and shutdown.
#include "app/application.h"

#include "scene/gl_debug.h"
#include "resources/gl_error.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

namespace {
constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 1000.0f;
// A frame after a stall (a debugger, a suspended process) hands on no longer a step than this,
// so the scripted camera's angles never wrap past their chase threshold in one step.
constexpr double kMaxFrameStep = 1.0;
// While hidden the loop sleeps until an event comes or this many seconds pass.
constexpr double kHiddenWait = 0.1;
// A headless test run's output, the GL tests' window size.
constexpr int kTestOutputWidth = 640, kTestOutputHeight = 360;

// The steps that draw, each one debug group for graphics debuggers.
bool drawsOnGpu(FrameStep step)
{
    return step != FrameStep::Input && step != FrameStep::Animation && step != FrameStep::End;
}

double monotonicSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
}  // namespace

Application::Application(int width, int height, WindowMode mode, StartUpStamps* stamps, int gpu)
{
    StartUpStamps unused;
    StartUpStamps& startUpStamps = stamps ? *stamps : unused;
    startUpStamps.stamp(StartUpStep::Begin);
    StartUpImages images = decodeStartUpImages();
    if (mode == WindowMode::Headless) {
        if (width <= 0 || height <= 0) {
            std::fprintf(stderr, "orbitview: --headless needs a width and height of at least 1, not %d x %d\n",
                         width, height);
            return;
        }
        if (!headless.open(gpu))
            return;
        renderer.resources.targets.offscreenOutput = true;
    } else {
        if (!window.open(width, height, mode))
            return;
        // Full screen, GLFW picks the closest video mode: the camera and the targets take the
        // size of the window it made, not the size asked for.
        glfwGetWindowSize(window.handle, &width, &height);
        // While start-up waits for a decode the window answers Escape and its close button; once
        // it should close, every wait left ends at once and run() returns before the first frame.
        images.waitWith([this] {
            glfwPollEvents();
            return !window.shouldClose();
        });
    }
    contextReady = true;
    startUpStamps.stamp(StartUpStep::WindowAndContext);
    startUp(width, height, std::move(images), startUpStamps);
}

Application::Application(GLFWwindow* existingWindow)
{
    int width = kTestOutputWidth, height = kTestOutputHeight;
    if (existingWindow) {
        window.handle = existingWindow;
        window.owned = false;
        window.connect();
        glfwGetWindowSize(existingWindow, &width, &height);
    } else {
        renderer.resources.targets.offscreenOutput = true;
    }
    contextReady = true;
    StartUpStamps unused;
    startUp(width, height, decodeStartUpImages(), unused);
}

void Application::startUp(int width, int height, StartUpImages images, StartUpStamps& startUpStamps)
{
    activeCamera = &camera;
    camera.followMode = false;
    placeCamera();
    camera.setProjection(height, width, kNearPlane, kFarPlane);

    fps.clock = [this] { return clockNow(); };
    passTimer.clock = [this] { return clockNow(); };
    if (window.handle) {
        window.keyPressed = [this](int key) {
            keyTaps.press(key);
            keyPressed(key);
        };
        // A window drag sends many sizes within one event poll; only the last reaches the targets.
        window.resized = [this](int newWidth, int newHeight) { requestResize(newWidth, newHeight); };
        fps.setTitle = [this](const std::string& title) { window.setTitle(title); };
        keyHeld = [this](int key) { return window.keyDown(key); };
    } else {
        fps.setTitle = [](const std::string&) {};
        keyHeld = [](int) { return false; };
    }

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
    if (!contextReady)
        return;
    deleteSceneObjects();
    renderer.release();
    passTimer.release();
    window.close();
    headless.close();
}

double Application::clockNow() const
{
    return window.handle ? glfwGetTime() : monotonicSeconds();
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
    lastFrameTime = clockNow();
    while (!window.shouldClose()) {
        if (window.hidden()) {
            glfwWaitEventsTimeout(kHiddenWait);
            continue;
        }
        frame(clockNow());
        present();
    }
    return 0;
}

void Application::present()
{
    if (window.handle)
        window.present();
    else
        headless.present();
}

View Application::drawView(View wanted)
{
    const View shown = renderer.viewShown(wanted);
    const FrameScene scene{camera, meshes, unlitMeshes, lights, frustumPlanes, rocketView};
    renderer.drawView(shown, scene);
    return shown;
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

    beginStep(FrameStep::WindowClear);
    resources.bindOutput();
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
    renderer.particles.render(scene, resources, sceneClock.sceneTime());
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
