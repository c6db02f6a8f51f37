// The Application's scene after start-up, built on the test window: list order, placements,
// lights and the camera's start pose, then one frame of input and animation; the frame loop's
// bounds; a size the driver cannot render at, refused in one line. Meshes whose files are
// missing still take their places, so the order holds without models/.
#include "app/application.h"
#include "app/frame_loop.h"
#include "app/offscreen_surface.h"
#include "app/window.h"
#include "gl_fixture.h"
#include "render/target_size.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

namespace {

TEST(SceneSetupGlTest, StartUpBuildsTheSceneInItsOrder)
{
    Application app(testSurface());
    ASSERT_TRUE(app.ready());

    EXPECT_EQ(app.meshes, (std::vector<MeshObject*>{app.bunny, app.rocket, app.asteroid, app.deepSpace1,
                                                    app.phobos, app.earth}));
    EXPECT_EQ(app.unlitMeshes, std::vector<MeshObject*>{app.sunSphere});
    for (const MeshObject* mesh : app.meshes)
        EXPECT_NE(mesh, nullptr);
    EXPECT_NE(app.sunSphere, nullptr);

    ASSERT_EQ(app.lights.size(), 4u);
    EXPECT_EQ(app.lights[0], app.pointLight);
    EXPECT_EQ(app.lights[1], app.spotLight);
    EXPECT_EQ(app.lights[2], app.directionalLight);
    const int types[] = {1, 2, 0, 0};
    const glm::vec3 positions[] = {{-3, 1.25f, -3}, {5, 1.25f, 1}, {0, 8, 70}, {0, 8, 0}};
    const glm::vec3 colours[] = {{1, 1, 1}, {1, 0.8f, 1}, {0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(app.lights[i]->lightType(), types[i]);
        EXPECT_EQ(app.lights[i]->position, positions[i]);
        EXPECT_EQ(app.lights[i]->color, colours[i]);
        EXPECT_EQ(app.lights[i]->intensity, 200.0f);
    }

    // Only the bunny and the rocket are culled; the rocket is rolled onto its side.
    EXPECT_EQ(app.bunny->boundsType, BoundsSphere);
    EXPECT_EQ(app.rocket->boundsType, BoundsSphere);
    EXPECT_EQ(app.asteroid->boundsType, BoundsNone);
    EXPECT_EQ(app.earth->boundsType, BoundsNone);
    EXPECT_EQ(app.rocket->position, glm::vec3(10, 7, 15));
    expectVec(app.rocket->up, {-1, 0, 0});
    EXPECT_FALSE(app.bunny->hasDiffuseTexture);
    EXPECT_FALSE(app.asteroid->hasDiffuseTexture);
    EXPECT_TRUE(app.deepSpace1->hasNormalMap);
    EXPECT_TRUE(app.earth->hasNormalMap);
    EXPECT_EQ(app.sunSphere->position, app.directionalLight->position);

    EXPECT_TRUE(app.camera.followMode);
    EXPECT_EQ(app.activeCamera, &app.camera);
    EXPECT_EQ(app.camera.position, glm::vec3(0.6f, 5.6f, 8.0f));
    const float turn = -6.0f * kDegreesToRadians;
    expectVec(app.camera.forward, {std::sin(turn), 0, std::cos(turn)});
    EXPECT_FALSE(app.rocketView);
    EXPECT_FALSE(app.recordingPath);
    EXPECT_EQ(drainGlErrors(), 0);
}

TEST(SceneSetupGlTest, OneFrameOfInputAndAnimation)
{
    {
        Application app(testSurface());
        ASSERT_TRUE(app.ready());
        app.keyHeld = [](int) { return false; };
        app.handleInput(0.02f, 0.02f);
        app.animate(0.02f);
        EXPECT_NEAR(app.camera.orbitTheta, 3.102f, 1e-5f);
        const float d = 12.0f * std::cos(10.0f) * std::sin(0.002f);
        expectVec(app.bunny->position, {d, 8.0f + 12.0f * std::cos(0.002f), 70.0f + d});
        // The mesh's model matrix follows its new place.
        expectVec(glm::vec3(app.bunny->model[3]), app.bunny->position);
    }
    // Every mesh's GL objects were released with the context current.
    EXPECT_EQ(drainGlErrors(), 0);
}

// Records what a frame tells its probe: the steps in order and, per step, the driver calls the
// passes made through the frame resources, each repeated once as a timing probe would.
class RecordingProbe : public FrameProbe {
public:
    void mark(FrameStep step) override { steps.push_back(step); }
    void before(DriverWork work) override { open.push_back(work); }
    void after(DriverWork work, const DriverCall& call) override
    {
        EXPECT_EQ(open.size(), 1u) << "calls never nest";
        EXPECT_EQ(open.back(), work);
        open.clear();
        if (work == DriverWork::ScreenDraw) {
            ++screenDraws[steps.back()];
            call.again();
        }
        ++calls[steps.back()];
    }

    std::vector<FrameStep> steps;
    std::vector<DriverWork> open;
    std::map<FrameStep, int> screenDraws, calls;
};

TEST(SceneSetupGlTest, AFrameTellsItsProbeEveryStepAndEveryDriverCallAndForgetsItAfter)
{
    Application app(testSurface());
    ASSERT_TRUE(app.ready());
    app.keyHeld = [](int) { return false; };
    RecordingProbe probe;
    app.restartFrameClock(1.0);
    app.frame(1.02, &probe);

    // Every step in order; the overlay's only while it is shown.
    std::vector<FrameStep> inOrder;
    for (std::size_t step = 0; step <= kFrameStepCount; ++step)
        if (FrameStep(step) != FrameStep::Overlay)
            inOrder.push_back(FrameStep(step));
    EXPECT_EQ(probe.steps, inOrder);
    // Every full-screen draw of the frame goes through the frame resources, in the step that makes it.
    EXPECT_EQ(probe.screenDraws, (std::map<FrameStep, int>{{FrameStep::Ssao, 3},
                                                            {FrameStep::LensFlare, 8},
                                                            {FrameStep::DepthOfField, 3},
                                                            {FrameStep::Composite, 1}}));
    for (FrameStep step : {FrameStep::Clear, FrameStep::NormalDepth, FrameStep::Lighting, FrameStep::SkyBox,
                           FrameStep::Particles})
        EXPECT_GT(probe.calls[step], 0) << int(step);
    EXPECT_EQ(app.renderer.resources.observer, nullptr);

    app.frame(1.04);
    EXPECT_EQ(probe.steps.size(), inOrder.size()) << "a frame without a probe tells the last one nothing";

    app.workbench.toggleOverlay();
    probe.steps.clear();
    app.frame(1.06, &probe);
    inOrder.insert(inOrder.begin() + std::ptrdiff_t(FrameStep::Overlay), FrameStep::Overlay);
    EXPECT_EQ(probe.steps, inOrder);
    EXPECT_EQ(drainGlErrors(), 0);
}

// The picture in the Application's output: the test window, or the offscreen output headless.
std::vector<unsigned char> outputPixels(const Application& app)
{
    const RenderTargets& targets = app.renderer.resources.targets;
    std::vector<unsigned char> pixels;
    GLenum error = GL_NO_ERROR;
    EXPECT_TRUE(app.surface->readOutput(targets.width, targets.height, pixels, error)) << error;
    return pixels;
}

// With the scene held, frames repeat the same picture; a view key shows another picture and
// names it in the title, and F1 brings both back exactly; a step moves the scene on.
TEST(SceneSetupGlTest, PauseHoldsThePictureAndViewKeysSwapItAndTheTitle)
{
    Application app(testSurface());
    ASSERT_TRUE(app.ready());
    app.keyHeld = [](int) { return false; };
    std::string title = "untouched";
    app.fps.setTitle = [&title](const std::string& text) { title = text; };
    double now = 1.0;
    app.restartFrameClock(now);
    const auto frame = [&] {
        app.frame(now += 0.05);
        return outputPixels(app);
    };
    frame();
    app.workbench.keyPressed(GLFW_KEY_P);
    const std::vector<unsigned char> held = frame();
    EXPECT_EQ(frame(), held) << "a held scene draws the same picture";

    app.workbench.keyPressed(GLFW_KEY_F6);
    EXPECT_EQ(title, "Quillon Works | view: occlusion");
    EXPECT_NE(frame(), held);
    app.workbench.keyPressed(GLFW_KEY_F1);
    EXPECT_EQ(title, "Quillon Works");
    EXPECT_EQ(frame(), held);

    app.workbench.keyPressed(GLFW_KEY_PERIOD);
    EXPECT_NE(frame(), held) << "a step moves the scene";
    app.workbench.keyPressed(GLFW_KEY_P);
    EXPECT_EQ(drainGlErrors(), 0);
}

TEST(SceneSetupGlTest, WhatHappensBetweenFramesReachesTheNextFrameOnce)
{
    Application app(testSurface());
    ASSERT_TRUE(app.ready());
    app.keyHeld = [](int) { return false; };
    // A drag down to one pixel, as the size callback hands it on: nothing is re-made yet.
    const int width = app.renderer.resources.targets.width;
    app.requestResize(300, 200);
    app.requestResize(1, 1);
    EXPECT_EQ(app.renderer.resources.targets.width, width);
    EXPECT_EQ(app.camera.viewportWidth, width);

    // The first frame after a 100 s stall: the last size, one second of the orbit, no GL error.
    app.restartFrameClock(0.0);
    testing::internal::CaptureStderr();
    app.frame(100.0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(app.renderer.resources.targets.width, 1);
    EXPECT_EQ(app.camera.viewportWidth, 1);
    EXPECT_NEAR(app.camera.orbitTheta, 3.2f, 1e-5f);

    // A tap the key callback saw, released before the poll.
    app.workbench.keyTaps.press(GLFW_KEY_4);
    app.handleInput(0.02f, 0.02f);
    EXPECT_FALSE(app.camera.followMode);
}

TEST(SceneSetupGlTest, RocketFliesThePathFileUnderTheScriptedCamera)
{
    if (std::FILE* file = std::fopen("models/newRocket.txt", "r"))
        std::fclose(file);
    else
        GTEST_SKIP() << "models/newRocket.txt is absent; build.sh writes it";
    Application app(testSurface());
    ASSERT_TRUE(app.ready());
    ASSERT_GE(app.rocket->pathPoints.size(), 5u);
    EXPECT_TRUE(app.rocket->pathActive);
    app.keyHeld = [](int) { return false; };
    const glm::vec3 start = app.rocket->position;
    for (int i = 0; i < 20; ++i)
        app.handleInput(0.1f, 0.1f);
    // 19 steps of 0.1 units of arc after the first evaluation at the path's start.
    const float flown = glm::length(app.rocket->position - start);
    EXPECT_GT(flown, 1.0f);
    EXPECT_LT(flown, 2.0f);
}

// An offscreen output whose running and hidden states a test sets, as a window's would change.
struct ScriptedSurface final : Surface {
    explicit ScriptedSurface(int width = 64, int height = 36) : output(width, height) {}

    OffscreenSurface output;
    bool running = true, isHidden = false;
    int presents = 0, waits = 0;
    double clock = 0.0;
    int claimedWidth = 0;  // when not 0, the width size() gives instead of the output's

    void size(int& width, int& height) const override
    {
        output.size(width, height);
        if (claimedWidth)
            width = claimedWidth;
    }
    GLuint outputFramebuffer() const override { return output.outputFramebuffer(); }
    void resizeOutput(int width, int height) override { output.resizeOutput(width, height); }
    bool readOutput(int width, int height, std::vector<unsigned char>& rgb, GLenum& error) const override
    {
        return output.readOutput(width, height, rgb, error);
    }
    void present() override { ++presents; }
    double clockNow() const override { return clock; }
    bool keepRunning() const override { return running; }
    bool hidden() const override { return isHidden; }
    void waitForEvents(double) override
    {
        // The window comes back after two waits.
        if (++waits == 2)
            isHidden = false;
    }
    void setTitle(const std::string&) override {}
    bool keyDown(int) const override { return false; }
    // The overlay's mouse, as a window would hand it to ImGui.
    void overlayInputFrame() override
    {
        ImGui::GetIO().MousePos = ImVec2(mouseX, mouseY);
        ImGui::GetIO().MouseDown[0] = mouseDown;
    }

    float mouseX = -1.0f, mouseY = -1.0f;
    bool mouseDown = false;
};

// The loop's stop rules: a frame bound per run with the fixed step's clock going on across runs,
// the scene clock's bound, the surface's end, and no frame while hidden.
TEST(SceneSetupGlTest, FrameLoopStopsAtItsBoundsAndWaitsWhileHidden)
{
    auto made = std::make_unique<ScriptedSurface>();
    ScriptedSurface& surface = *made;
    Application app(std::move(made));
    ASSERT_TRUE(app.ready());
    std::vector<long> captured;
    FrameLoop loop;
    loop.fixedDt = 0.25;
    loop.beforePresent = [&](long frame) { captured.push_back(frame); };
    loop.start(app);
    loop.frames = 3;
    EXPECT_EQ(loop.run(app), 3);
    loop.frames = 2;
    EXPECT_EQ(loop.run(app), 2);
    EXPECT_EQ(captured, (std::vector<long>{0, 1, 2, 3, 4}));
    EXPECT_EQ(surface.presents, 5);
    EXPECT_DOUBLE_EQ(app.workbench.sceneClock.sceneTime(), 1.25);

    loop.frames = 0;
    loop.sceneSeconds = 2.0;
    EXPECT_EQ(loop.run(app), 3) << "1.25 s + 3 x 0.25 s reaches 2 s";

    surface.isHidden = true;
    loop.sceneSeconds = 0.0;
    loop.frames = 1;
    EXPECT_EQ(loop.run(app), 1);
    EXPECT_EQ(surface.waits, 2) << "no frame until the surface shows again";

    surface.running = false;
    loop.frames = 10;
    EXPECT_EQ(loop.run(app), 0);
    EXPECT_EQ(drainGlErrors(), 0);
}

// Tab shows the panels over the frame and hides them again without a trace; the panels give back
// the GL state they found; keys still reach the program; a click on a thumbnail shows that view;
// nothing is written to the working directory.
TEST(SceneSetupGlTest, OverlayDrawsOverTheFrameTakesClicksAndHidesWithoutATrace)
{
    constexpr int kWidth = 640, kHeight = 360;
    auto made = std::make_unique<ScriptedSurface>(kWidth, kHeight);
    ScriptedSurface& surface = *made;
    Application app(std::move(made));
    ASSERT_TRUE(app.ready());
    app.workbench.keyPressed(GLFW_KEY_P);  // held, every frame draws the same picture
    double now = 0.0;
    const auto frameAndRead = [&] {
        now += 0.1;
        app.frame(now);
        std::vector<unsigned char> rgb;
        GLenum error = GL_NO_ERROR;
        EXPECT_TRUE(surface.readOutput(kWidth, kHeight, rgb, error));
        return rgb;
    };
    const std::vector<unsigned char> plain = frameAndRead();
    ASSERT_TRUE(frameAndRead() == plain) << "a held scene draws the same picture again";

    app.workbench.keyPressed(GLFW_KEY_TAB);
    ASSERT_TRUE(app.workbench.overlay.shown());
    EXPECT_FALSE(frameAndRead() == plain);

    GLuint vertexArray = 0;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_ONE, GL_ONE, GL_ZERO, GL_ONE);
    glBlendEquationSeparate(GL_FUNC_ADD, GL_MAX);
    glEnable(GL_SCISSOR_TEST);
    glScissor(1, 2, 30, 40);
    glViewport(5, 6, 70, 80);
    glActiveTexture(GL_TEXTURE3);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glUseProgram(app.renderer.ssao.program->id());
    glBindFramebuffer(GL_FRAMEBUFFER, app.renderer.resources.targets.sceneFbo);
    const GlStateSnapshot before = GlStateSnapshot::take();
    app.drawOverlay(0.1);
    EXPECT_TRUE(GlStateSnapshot::take() == before) << "the overlay gives back every state it changes";
    EXPECT_EQ(drainGlErrors(), 0);
    glBindVertexArray(0);
    glDeleteVertexArrays(1, &vertexArray);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glBlendEquation(GL_FUNC_ADD);
    glDisable(GL_SCISSOR_TEST);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);

    app.workbench.keyPressed(GLFW_KEY_P);
    EXPECT_FALSE(app.workbench.sceneClock.paused) << "keys reach the program while the overlay is shown";
    app.workbench.keyPressed(GLFW_KEY_P);

    const std::array<float, 4> normals = app.workbench.overlay.thumbnailRects[std::size_t(View::Normals)];
    ASSERT_GT(normals[2], 0.0f) << "the normals thumbnail was drawn";
    surface.mouseX = normals[0] + normals[2] / 2.0f;
    surface.mouseY = normals[1] + normals[3] / 2.0f;
    frameAndRead();
    surface.mouseDown = true;
    frameAndRead();
    surface.mouseDown = false;
    frameAndRead();
    EXPECT_EQ(app.workbench.view, View::Normals) << "a click on a thumbnail does what F3 does";

    // A failure the overlay has not seen brings the Shaders panel forward (the click left
    // Targets in front).
    ASSERT_NE(GImGui->NavWindow, nullptr);
    EXPECT_STREQ(GImGui->NavWindow->Name, "Targets");
    ShaderProgram missing({{Fragment, AssetShader("shaders/no-such-file.frag")}});
    EXPECT_FALSE(missing.rebuild());
    const ShaderProgram* const programs[] = {&missing};
    OverlayInputs inputs;
    inputs.outputWidth = kWidth;
    inputs.outputHeight = kHeight;
    inputs.frames = &app.workbench.frames;
    inputs.programs = programs;
    inputs.programCount = 1;
    app.workbench.overlay.draw(inputs, 0.1);
    ASSERT_NE(GImGui->NavWindow, nullptr);
    EXPECT_STREQ(GImGui->NavWindow->Name, "Shaders");

    app.workbench.keyPressed(GLFW_KEY_F1);
    app.workbench.keyPressed(GLFW_KEY_TAB);
    EXPECT_FALSE(app.workbench.overlay.shown());
    EXPECT_TRUE(frameAndRead() == plain) << "hidden again, the frame is the frame without the overlay";
    EXPECT_FALSE(std::ifstream("imgui.ini").good()) << "no imgui.ini in the working directory";
    EXPECT_EQ(drainGlErrors(), 0);
}

// A size beyond the driver's limits: at start-up the program ends with one line; on a resize the
// frame stays at the last size that worked and says so once, until a size works again.
TEST(SceneSetupGlTest, SizeTheDriverCannotRenderAtIsRefusedInOneLine)
{
    const int over = queryTargetLimits().maxTextureSize + 1;
    const std::string limit = "the width is over GL_MAX_TEXTURE_SIZE (" + std::to_string(over - 1) + ")";
    {
        auto oversized = std::make_unique<ScriptedSurface>();
        oversized->claimedWidth = over;
        testing::internal::CaptureStderr();
        const Application refused(std::move(oversized));
        EXPECT_FALSE(refused.ready());
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "orbitview: cannot render at " + std::to_string(over) + " x 36: " + limit + "\n");
    }

    Application app(std::make_unique<ScriptedSurface>());
    ASSERT_TRUE(app.ready());
    const RenderTargets& targets = app.renderer.resources.targets;
    const auto refuse = [&](int height) {
        testing::internal::CaptureStderr();
        app.resize(over, height);
        return testing::internal::GetCapturedStderr();
    };
    const std::string line = "orbitview: cannot render at " + std::to_string(over) + " x 50: " + limit +
                             "; drawing on at 64 x 36\n";
    EXPECT_EQ(refuse(50), line);
    EXPECT_EQ(refuse(60), "") << "said once while no size works";
    EXPECT_EQ(targets.width, 64);
    EXPECT_EQ(targets.height, 36);
    EXPECT_EQ(app.camera.viewportWidth, 64);
    app.frame(0.1);
    EXPECT_EQ(drainGlErrors(), 0);

    testing::internal::CaptureStderr();
    app.resize(80, 40);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(targets.width, 80);
    int width = 0, height = 0;
    app.surface->size(width, height);
    EXPECT_EQ(width, 80);
    EXPECT_EQ(refuse(50), "orbitview: cannot render at " + std::to_string(over) + " x 50: " + limit +
                              "; drawing on at 80 x 40\n");
    EXPECT_EQ(drainGlErrors(), 0);
}

}  // namespace
