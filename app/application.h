// Application: owns the surface it shows the frame on (a window, or an EGL context with an
// offscreen output), the camera, the scene objects, the renderer and the workbench. The
// constructor runs the start-up sequence; frame() runs one frame with the fixed pass order into
// the surface's output, and run() is the window's loop around it (app/frame_loop.h); the
// destructor releases everything while the context is still current, then the surface.
#pragma once

#include "app/fps.h"
#include "app/frame_probe.h"
#include "app/input.h"
#include "app/scene_animation.h"
#include "app/start_up_images.h"
#include "app/surface.h"
#include "app/workbench.h"
#include "render/renderer.h"
#include "scene/camera.h"
#include "scene/frustum.h"
#include "scene/lights.h"
#include "scene/mesh_object.h"

#include <GL/glew.h>
#include <memory>
#include <string>
#include <vector>

class Application {
public:
    // Opens the surface asked for, then runs the start-up sequence on it. The image decodes start
    // before the surface opens, while the process has one thread. stamps, when given, receives
    // the end time of each start-up step (the frame benchmark's).
    explicit Application(const SurfaceRequest& request, StartUpStamps* stamps = nullptr);
    // Runs the start-up sequence on a surface made on a context that is already current (the GL
    // tests'): their process has threads, so the images are decoded as start-up takes them.
    explicit Application(std::unique_ptr<Surface> madeSurface);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // False when the surface could not be made, or the frame cannot be rendered at its size (one
    // line on stderr); start-up ended there.
    bool ready() const { return surface != nullptr && startedUp; }
    // The window's frame loop: frames until the surface should close, none while it is hidden.
    // Returns 0.
    int run();
    // One frame at time now (seconds): a size requested since the last frame, input, every pass
    // in order, animation. No present. The time step is at most 1 s. probe, when given, is told
    // of each step and of every driver call of this frame.
    void frame(double now, FrameProbe* probe = nullptr);
    // The next frame's time step is measured from now.
    void restartFrameClock(double now) { lastFrameTime = now; }
    // Draws one inspection view of the last frame's targets over the output, as its F key would
    // have shown that frame (View::Final: nothing). Returns the view drawn: View::Final when the
    // views' program has not built.
    View drawView(View wanted);
    // The workbench's overlay over the output, dt seconds after its last frame; nothing while it
    // is hidden. The frame draws it after the view; a capture of another view draws it again.
    void drawOverlay(double dt);

    // Window-size events record the size; the next frame applies the last one (requestResize).
    // 0 x 0 (a minimised window) is ignored by both. A size the driver cannot render at keeps the
    // frame at the last size that worked and says so in one line, once until a size works again.
    void requestResize(int width, int height);
    void resize(int width, int height);
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

    // One frame of keyboard input through keyHeld and the workbench's key taps (input.cpp): free
    // flight by dt, the script by scriptDt (none: held). Call after the scene is built.
    void handleInput(float dt, std::optional<float> scriptDt);
    // One frame of the scene's animation (scene_setup.cpp). Call after the scene is built.
    void animate(float dt);

    std::unique_ptr<Surface> surface;  // the window and its context, or the offscreen output
    Renderer renderer;
    Camera camera;
    FrustumPlanes frustumPlanes{};
    // Owned; insertion order is drawing order, and for lights the index in the shader's array.
    std::vector<MeshObject*> meshes;
    std::vector<MeshObject*> unlitMeshes;
    std::vector<LightObject*> lights;
    bool rocketView = false;     // true from the first frame the camera rides with the rocket on
    bool recordingPath = false;  // the camera records its path while true
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
    SceneAngles sceneAngles;
    FpsCounter fps;
    KeyPoller keyHeld;  // polls the surface unless a test replaces it
    Workbench workbench{renderer, fps};

private:
    // The start-up sequence after the surface, at its size: every step takes what it needs of
    // images.
    void startUp(StartUpImages images, StartUpStamps& stamps);
    // Scene set-up steps and teardown (scene_setup.cpp).
    void placeCamera();
    void createMeshes(StartUpImages& images);
    void createLights();
    void deleteSceneObjects();
    template <typename Light>
    Light* addLight(const glm::vec3& color, float intensity);

    double lastFrameTime = 0.0;
    bool startedUp = false;    // every start-up step ran
    bool sizeRefused = false;  // the last resize was refused and said so
    // The last size requested since the last frame; 0 x 0 when none.
    int pendingWidth = 0, pendingHeight = 0;
};
