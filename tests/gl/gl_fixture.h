// The GL test fixture: one hidden GLFW window with the program's own context hints (4 samples,
// 3.2 core, no forward-compatibility hint), or with no DISPLAY set the program's headless EGL
// context, current for every test of the binary; GL error and
// object checks; a suite base class sharing one Renderer; hand-written quad meshes, float
// textures and an off-screen float target to draw into (never the multisampled window), with
// read-back of their texels; PNG fixture files.
#pragma once

#include "fixture.h"
#include "app/surface.h"
#include "render/renderer.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/glm.hpp>
#include <memory>
#include <string>
#include <vector>

// The hidden window of the test run (created once, before the first test); null in a headless
// run, where the context has no window.
GLFWwindow* testWindow();
// A surface on the test run's context for an Application: the hidden window (its events routed
// to the surface until it goes), or headless a 640 x 360 offscreen output.
std::unique_ptr<Surface> testSurface();

// Drains every queued GL error; returns how many there were.
int drainGlErrors();

// How many of the first 16 texture units have a sampler object bound; the passes bind theirs
// only while they draw.
int boundSamplers();

struct LiveGlObjects {
    int shaders = 0;
    int programs = 0;
    bool operator==(const LiveGlObjects& other) const
    {
        return shaders == other.shaders && programs == other.programs;
    }
};

// Counts live shader and program objects over every name up to well past the newest one; names
// may be reused, so counting beats remembering which names an operation would have made.
LiveGlObjects liveGlObjects();

std::string shaderLog(GLuint shader);
std::string programLog(GLuint program);

constexpr int kTargetSize = 64;

// A suite sharing one Renderer: programs built and targets made at kTargetSize x kTargetSize
// before the suite's first test (console output swallowed), released after its last.
class SharedRendererTest : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    static Renderer* renderer;
};

// One quad: four corners (counter-clockwise seen from the side the normal faces). Texture
// coordinates (0, 1), (1, 1), (1, 0), (0, 0) go to the corners in order, so +u runs from the
// first corner to the second and the tangent points that way.
struct Quad {
    glm::vec3 corners[4];
    glm::vec3 normal;
};

// Adds one sub-mesh holding the quads to mesh, with the mesh layout's position, texture
// coordinate, normal and tangent at locations 0 to 3; the mesh's destructor releases it.
void addQuads(MeshObject& mesh, const std::vector<Quad>& quads);

// A width x height 2D texture of the given internal format with clamped edges, its texels
// uploaded from RGBA floats rows bottom-up (left undefined when rgba is empty).
GLuint makeTexture(GLenum internalFormat, int width, int height, const std::vector<float>& rgba,
                   GLenum filter = GL_LINEAR);
// The same with every texel = value.
GLuint makeFilledTexture(GLenum internalFormat, int width, int height, const glm::vec4& value,
                         GLenum filter = GL_LINEAR);
// Overwrites every texel of an existing 2D float texture with value.
void fillTexture(GLuint texture, int width, int height, const glm::vec4& value);

// Level 0 of a 2D texture as floats, rows bottom-up: 4 a texel for GL_RGBA, 3 for GL_RGB and 1
// for GL_DEPTH_COMPONENT.
std::vector<float> readTexture(GLuint texture, GLenum format = GL_RGBA);
// RGBA of texel (x, y) of a 2D texture's level 0.
glm::vec4 readTexel(GLuint texture, int x, int y);

// An RGBA32F colour texture (zeroed, nearest filtering) and, when asked, a DEPTH_COMPONENT32F
// depth texture, attached to a framebuffer that the constructor leaves bound.
// What a pass that draws only its own geometry reads: a camera, no meshes or lights, and frame
// resources with nothing made. Test fixtures take it as a second base.
struct BareScene {
    FrameScene scene() const { return FrameScene{camera, noMeshes, noMeshes, noLights, planes, false}; }

    Camera camera;
    std::vector<MeshObject*> noMeshes;
    std::vector<LightObject*> noLights;
    FrustumPlanes planes{};
    FrameResources resources;
};

struct FloatTarget {
    GLuint colour = 0, depth = 0, fbo = 0;
    FloatTarget(int width, int height, bool withDepth = false);
    ~FloatTarget();
    FloatTarget(const FloatTarget&) = delete;
    FloatTarget& operator=(const FloatTarget&) = delete;
};

// Writes a w x h PNG with 1 to 4 channels (rows top first) as a fixture file and returns its path.
std::string writePngFixture(const std::string& name, int width, int height, int channels,
                            const std::vector<unsigned char>& pixels);
