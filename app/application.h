// Application: owns the surface it shows the frame on (a window, or a headless EGL context with
// an offscreen output), the camera, the scene objects and the renderer. The constructor runs the
// start-up sequence; frame() runs one frame with the fixed pass order into the output, whichever
// it is, and run() is the window's loop around it; the destructor releases everything while the
// context is still current.
#pragma once

#include "app/fps.h"
#include "app/frame_probe.h"
#include "app/headless_context.h"
#include "app/input.h"
#include "app/pass_timer.h"
#include "app/scene_animation.h"
#include "app/scene_clock.h"
#include "app/start_up_images.h"
#include "app/window.h"
#include "render/renderer.h"
#include "scene/camera.h"
#include "scene/frustum.h"
#include "scene/lights.h"
#include "scene/mesh_object.h"

#include <GL/glew.h>
#include <string>
#include <vector>

class Application {
public:
    // stamps, when given, receives the end time of each start-up step (the frame benchmark's).
    // WindowMode::Headless makes an EGL context on device gpu and a width x height offscreen
    // output instead of a window.
    Application(int width, int height, WindowMode mode = WindowMode::Windowed, StartUpStamps* stamps = nullptr,
                int gpu = 0);
    // Runs the start-up sequence on a context the caller made, current, and keeps: the window
    // given, or with none (a headless test run) a 640 x 360 offscreen output. The destructor
    // leaves the window, the context and GLFW alone. For GL tests, whose process has threads:
    // the images are decoded as start-up takes them.
    explicit Application(GLFWwindow* existingWindow);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // False when the window or the context could not be made; nothing else ran then.
    bool ready() const { return contextReady; }
    // The window's frame loop: frames until the window should close, none while it is hidden
    // (iconified or unmapped). Returns 0.
    int run();
    // One frame at time now (seconds): a window size requested since the last frame, input,
    // every pass in order, animation. No swap, no events. The time step is at most 1 s.
    // probe, when given, is told of each step and of every driver call of this frame.
    void frame(double now, FrameProbe* probe = nullptr);
    // Shows the frame: swaps the window's buffers and handles the events that came meanwhile; or,
    // headless, lets the GPU fall at most one frame behind.
    void present();
    // Seconds on the frame clock: GLFW's with a window, a monotonic clock headless.
    double clockNow() const;
    // The next frame's time step is measured from now.
    void restartFrameClock(double now) { lastFrameTime = now; }
    // Draws one inspection view of the last frame's targets over the output, as its F key would
    // have shown that frame (View::Final: nothing). Returns the view drawn: View::Final when the
    // views' program has not built.
    View drawView(View wanted);

    // Window-size events record the size; the next frame applies the last one (requestResize).
    // 0 x 0 (a minimised window) is ignored by both.
    void requestResize(int width, int height);
    void resize(int width, int height);
    // A key pressed (from the key callback): P pause, . step, F1 to F8 views, T pass timing.
    void keyPressed(int key);
    // Shows one target alone (View::Final: the composite) and names it in the title; a view
    // whose program cannot be built leaves the composite and the plain title.
    void setView(View newView);
    void clearFrame(const glm::vec4& colour, bool clearDepth);
    void updateFrustumPlanes(const glm::mat4& projection, const glm::mat4& view);
    // The particle emitter follows the rocket's nozzle (read by the particle pass).
    void setEmitterPosition(const glm::vec3& position);
    void setEmitterDirection(const glm::vec3& direction);

    // Factories (scene_setup.cpp): each creates an object, appends it to its list, which owns
    // it from then on, and returns it.
    MeshObject* addMeshWithNormalMap(const std::string& objPath, ImageDecode diffuse, ImageDecode normalMap);
    MeshObject* addTexturedMesh(const std::string& objPath, ImageDecode diffuse);
    MeshObject* addPlainMesh(const std::string& objPath);
    MeshObject* addUnlitMesh(const std::string& objPath, ImageDecode diffuse);
    PointLight* addPointLight(const glm::vec3& color, float intensity);
    SpotLight* addSpotLight(const glm::vec3& color, float intensity);
    DirectionalLight* addDirectionalLight(const glm::vec3& color, float intensity);

    // One frame of keyboard input through keyHeld and keyTaps (input.cpp): free flight by dt, the
    // script by scriptDt (none: held). Call after the scene is built.
    void handleInput(float dt, std::optional<float> scriptDt);
    // One frame of the scene's animation (scene_setup.cpp). Call after the scene is built.
    void animate(float dt);

    Renderer renderer;
    Camera camera;
    FrustumPlanes frustumPlanes{};
    // Owned; insertion order is drawing order, and for lights the index in the shader's array.
    std::vector<MeshObject*> meshes;
    std::vector<MeshObject*> unlitMeshes;
    std::vector<LightObject*> lights;
    bool rocketView = false;     // true from the first frame the camera rides with the rocket on
    bool recordingPath = false;  // the camera records its path while true
    FpsCounter fps;
    Window window;             // open unless headless
    HeadlessContext headless;  // open when headless
    // Named objects of the scene; they point into the lists above.
    PointLight* pointLight = nullptr;
    DirectionalLight* directionalLight = nullptr;
    SpotLight* spotLight = nullptr;
    MeshObject* bunny = nullptr;
    MeshObject* earth = nullptr;
    MeshObject* sunSphere = nullptr;
    MeshObject* rocket = nullptr;
    MeshObject* phobos = nullptr;
    MeshObject* asteroid = nullptr;
    MeshObject* deepSpace1 = nullptr;
    Camera* activeCamera = nullptr;
    KeyPoller keyHeld;  // polls the window unless a test replaces it
    KeyTaps keyTaps;    // presses from the key callback, read with keyHeld
    // The last window size requested since the last frame; 0 x 0 when none.
    int pendingWidth = 0, pendingHeight = 0;
    SceneAngles sceneAngles;
    SceneClock sceneClock;    // held by P, stepped by .
    View view = View::Final;  // what the window shows
    PassTimer passTimer;      // measures on T

private:
    // The start-up sequence after the window: every step takes what it needs of images.
    void startUp(int width, int height, StartUpImages images, StartUpStamps& stamps);
    // Scene set-up steps and teardown (scene_setup.cpp).
    void placeCamera();
    void createMeshes(StartUpImages& images);
    void createLights();
    void deleteSceneObjects();
    template <typename Light>
    Light* addLight(const glm::vec3& color, float intensity);

    bool contextReady = false;
    double lastFrameTime = 0.0;
};
