// Application start-up on its surface, the frame, the window's frame loop and shutdown.
#include "app/application.h"

#include "app/frame_loop.h"
#include "render/target_size.h"
#include "resources/gl_error.h"
#include "scene/gl_debug.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {
constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 1000.0f;
// A frame after a stall (a debugger, a suspended process) hands on no longer a step than this,
// so the scripted camera's angles never wrap past their chase threshold in one step.
constexpr double kMaxFrameStep = 1.0;

// The steps that draw, each one debug group for graphics debuggers.
bool drawsOnGpu(FrameStep step)
{
    return step != FrameStep::Input && step != FrameStep::Animation && step != FrameStep::End;
}
}  // namespace

Application::Application(const SurfaceRequest& request, StartUpStamps* stamps)
{
    StartUpStamps unused;
    StartUpStamps& startUpStamps = stamps ? *stamps : unused;
    startUpStamps.stamp(StartUpStep::Begin);
    StartUpImages images = decodeStartUpImages();
    surface = openSurface(request);
    if (!surface)
        return;
    // While start-up waits for a decode the window answers Escape and its close button; once it
    // should close, every wait left ends at once and run() returns before the first frame.
    images.waitWith([this] {
        surface->waitForEvents(0.0);
        return surface->keepRunning();
    });
    startUpStamps.stamp(StartUpStep::WindowAndContext);
    startUp(std::move(images), startUpStamps);
}

Application::Application(std::unique_ptr<Surface> madeSurface) : surface(std::move(madeSurface))
{
    StartUpStamps unused;
    startUp(decodeStartUpImages(), unused);
}

void Application::startUp(StartUpImages images, StartUpStamps& startUpStamps)
{
    int width = 0, height = 0;
    surface->size(width, height);
    activeCamera = &camera;
    camera.followMode = false;
    placeCamera();
    camera.setProjection(height, width, kNearPlane, kFarPlane);

    fps.clock = [this] { return surface->clockNow(); };
    fps.setTitle = [this](const std::string& title) { surface->setTitle(title); };
    workbench.passTimer.clock = [this] { return surface->clockNow(); };
    // A key a panel's widget holds is not the program's.
    keyHeld = [this](int key) { return !workbench.keysHeldBack() && surface->keyDown(key); };
    workbench.surface = surface.get();
    surface->keyPressed = [this](int key) { workbench.keyPressed(key); };
    // A window drag sends many sizes within one event poll; only the last reaches the targets.
    surface->resized = [this](int newWidth, int newHeight) { requestResize(newWidth, newHeight); };
    renderer.resources.outputFramebuffer = surface->outputFramebuffer();

    renderer.createShaderPrograms();
    startUpStamps.stamp(StartUpStep::ShaderPrograms);
    const std::string problem =
        renderer.createRenderTargets(camera.viewportWidth, camera.viewportHeight, std::move(images.lensStar),
                                     std::move(images.lensDirt), std::move(images.lensColour));
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", sizeRefusal(camera.viewportWidth, camera.viewportHeight, problem).c_str());
        return;
    }
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
    startedUp = true;
}

Application::~Application()
{
    if (!surface)
        return;
    deleteSceneObjects();
    renderer.release();
    workbench.release();
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
    const std::string problem = renderer.resize(width, height);
    if (!problem.empty()) {
        if (!sizeRefused)
            std::fprintf(stderr, "%s; drawing on at %d x %d\n", sizeRefusal(width, height, problem).c_str(),
                         renderer.resources.targets.width, renderer.resources.targets.height);
        sizeRefused = true;
        return;
    }
    sizeRefused = false;
    glViewport(0, 0, width, height);
    camera.setProjection(height, width, kNearPlane, kFarPlane);
    surface->resizeOutput(width, height);
    renderer.resources.outputFramebuffer = surface->outputFramebuffer();
}

void Application::handleInput(float dt, std::optional<float> scriptDt)
{
    ::handleInput(dt, scriptDt, heldOrTapped(keyHeld, workbench.keyTaps),
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
    FrameLoop loop;
    loop.start(*this);
    loop.run(*this);
    return 0;
}

View Application::drawView(View wanted)
{
    const View shown = renderer.prepareView(wanted);
    const FrameScene scene{camera, meshes, unlitMeshes, lights, frustumPlanes, rocketView};
    renderer.drawView(shown, scene);
    return shown;
}

void Application::drawOverlay(double dt)
{
    OverlayInputs inputs;
    inputs.scripted = camera.followMode;
    inputs.recording = recordingPath;
    inputs.outputWidth = renderer.resources.targets.width;
    inputs.outputHeight = renderer.resources.targets.height;
    workbench.drawOverlay(inputs, dt);
    checkGlError();
}

void Application::frame(double now, FrameProbe* probe)
{
    if (pendingWidth > 0) {
        resize(pendingWidth, pendingHeight);
        pendingWidth = pendingHeight = 0;
    }
    FrameProbe* const active = probe ? probe : workbench.probe();
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
    const float sceneDt = float(workbench.sceneStep(dt));

    fps.showFps(2.0, kWindowTitle);
    handleInput(dt, workbench.sceneClock.advancing ? std::optional<float>(sceneDt) : std::nullopt);
    updateFrustumPlanes(camera.projection, camera.view);
    const FrameScene scene{camera, meshes, unlitMeshes, lights, frustumPlanes, rocketView};
    const FrameResources& resources = renderer.resources;

    beginStep(FrameStep::Clear);
    resources.bindOutput();
    clearFrame(glm::vec4(0.0f), true);
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
    renderer.particles.render(scene, resources, workbench.sceneClock.sceneTime());
    beginStep(FrameStep::Unlit);
    renderer.unlit.render(scene, resources);
    beginStep(FrameStep::LensFlare);
    renderer.lensFlare.render(scene, resources);
    beginStep(FrameStep::DepthOfField);
    renderer.depthOfField.render(scene, resources);
    beginStep(FrameStep::Composite);
    renderer.composite.render(scene, resources, renderer.lensFlare);
    workbench.drawView(scene);
    checkGlError();
    if (workbench.overlay.shown()) {
        beginStep(FrameStep::Overlay);
        drawOverlay(dt);
    }

    beginStep(FrameStep::Animation);
    // The spins are fixed steps per frame, so a held scene skips the animation altogether.
    if (workbench.sceneClock.advancing)
        animate(sceneDt);
    beginStep(FrameStep::End);
    renderer.resources.observer = nullptr;
}
