// Frame resources: what every pass shares. The floating-point render targets sized from the
// output (made by create at start-up and again on a resize), the name of the output framebuffer
// the frame's picture goes to (the surface's, app/surface.h), the full-screen quad, the nearest
// sampler, the blur and downsample programs with separableBlur, and the calls in which the
// driver does a frame's heavy work (draws, clears, buffer uploads), which go through here so an
// optional observer can time them. Passes read the targets and write them through their
// framebuffers; each binds the framebuffer it draws into.
#pragma once

#include "render/target_size.h"
#include "resources/shader.h"
#include "resources/shader_program.h"
#include "scene/camera.h"
#include "scene/frustum.h"
#include "scene/lights.h"
#include "scene/mesh_object.h"

#include <GL/glew.h>
#include <glm/glm.hpp>
#include <string>
#include <vector>

// What the passes of one frame read from the Application.
struct FrameScene {
    const Camera& camera;
    const std::vector<MeshObject*>& meshes;
    const std::vector<MeshObject*>& unlitMeshes;
    const std::vector<LightObject*>& lights;
    const FrustumPlanes& frustumPlanes;
    bool rocketView;
};

// A width x height float texture with clamped edges and no contents, as every target is made.
GLuint makeTarget(GLenum internalFormat, GLenum format, int width, int height, GLenum filter);
// A framebuffer with colour (and depth, when not 0) attached. Leaves framebuffer 0 bound; its
// maker checks that it is complete (madeTargetsProblem).
GLuint makeFramebuffer(GLuint depth, GLuint colour);

// (int)(size * 0.5f), but at least 1 so that a 1-pixel window still has complete half-size
// targets: 1023 gives 511, 1 gives 1.
int halfSize(int size);

struct RenderTargets {
    int width = 0, height = 0;
    int halfWidth = 0, halfHeight = 0;

    GLuint depthTex = 0;        // pre-pass depth, read by ambient occlusion
    GLuint normalTex = 0;       // pre-pass colour: RGB normal, A focus factor
    GLuint ssaoTex = 0;         // occlusion, blurred in place
    GLuint sceneDepthTex = 0;
    GLuint sceneColorTex = 0;   // lit HDR scene (+ sky box, particles, unlit meshes, bloom)
    GLuint halfTex = 0;         // half size: bright pass, flare threshold, then blurred DoF image
    GLuint flareTex = 0;        // half size: lens-flare features
    GLuint halfScratchTex = 0;  // half size: intermediate of every half-size blur
    GLuint fullScratchTex = 0;  // full size: intermediate of the occlusion blur

    GLuint normalDepthFbo = 0, ssaoFbo = 0, sceneFbo = 0, halfFbo = 0, flareFbo = 0;
    GLuint halfScratchFbo = 0, fullScratchFbo = 0;

    // The textures create makes at width x height, for asking the driver before making them.
    static std::vector<TargetFormat> formats(int width, int height);
    // Releases any previous targets, then creates all of them at width x height. Returns what
    // failed (GL_OUT_OF_MEMORY, a framebuffer that is not complete); empty when nothing did.
    std::string create(int targetWidth, int targetHeight);
    // Deletes every non-zero name and zeroes it; safe to call twice.
    void release();
};

// The shared full-screen quad: four corners at depth 0, two triangles. The screen-space passes
// derive texture coordinates from the position (shaders/quadShader.vert).
struct FullScreenQuad {
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint elementBuffer = 0;

    void create();
    void draw() const;
    void release();
};

// Nearest filtering with clamped edges, bound over a texture unit while a pass reads that unit
// only at texel centres: the same-size blurs, the occlusion pass's depth and the composite's
// full-size inputs. At a texel centre linear and nearest filtering give the same value, and a
// nearest fetch costs far less on a software rasterizer. The targets keep their own linear
// filters for the passes that do sample between texels. Sampler objects came with GL 3.3: where
// the driver has none, bind and unbind do nothing and the targets' own filters give the same
// picture.
struct TexelSampler {
    GLuint sampler = 0;

    void create();
    void bind(GLuint unit) const;
    void unbind(GLuint unit) const;
    void release();
};

// The kinds of call in which the driver does a frame's heavy work on the calling thread.
enum class DriverWork {
    ScreenDraw,  // the full-screen quad
    SceneDraw,   // meshes, the sky box, the particles
    Clear,
    Upload,      // buffer data streamed every frame
};

// A driver call just made, which an observer may make once more (to time it on its own).
class DriverCall {
public:
    virtual void again() const = 0;

protected:
    ~DriverCall() = default;
};

// Told of every driver call of the frame resources: before it, and after it with a way to repeat
// it. The frame benchmark's probe is one; the program itself installs none.
class DrawObserver {
public:
    virtual ~DrawObserver() = default;
    virtual void before(DriverWork work) = 0;
    virtual void after(DriverWork work, const DriverCall& call) = 0;
};

struct FrameResources {
    RenderTargets targets;
    FullScreenQuad quad;
    TexelSampler texelSampler;
    ProgramHandle blurProgram;         // separableBlur's one-axis box blur
    ProgramHandle downsampleProgram;   // scale, bias and copy: bright pass, bloom add, DoF copy
    ProgramHandle passThroughProgram;  // the quad's pass-through, built for its console report
    DrawObserver* observer = nullptr;  // null outside measured frames
    // Where the composite and the views draw: the window's framebuffer 0 or an offscreen one. The
    // surface owns it; the Application copies its name here at start-up and after a resize.
    GLuint outputFramebuffer = 0;

    // Targets, quad and sampler; the programs are made by the Renderer in its fixed order.
    // Returns what failed in making the targets (RenderTargets::create); empty when nothing did.
    std::string create(int width, int height);
    void release();

    // Runs call as a driver call of the given kind, told to the observer when there is one.
    template <typename Call>
    void driverCall(DriverWork work, const Call& call) const;

    // Binds the output framebuffer: the frame's clear, the composite and the views draw there.
    void bindOutput() const { glBindFramebuffer(GL_FRAMEBUFFER, outputFramebuffer); }
    void drawQuad() const;
    // Binds fbo with a width x height viewport and colour attachment 0 and draws the quad with
    // the program and textures already bound; leaves fbo bound.
    void drawQuadInto(GLuint fbo, int width, int height) const;
    void drawSubmesh(const SubmeshBuffers& submesh) const;
    void clear(GLbitfield mask) const;

    // Two-pass blur with blurProgram: along x from sourceTex into scratchFbo, then along y into
    // targetFbo, both size pixels, reading texel centres through the nearest sampler. Turns depth
    // testing off for the draws and on again after them; leaves targetFbo bound.
    void separableBlur(GLuint targetFbo, GLuint sourceTex, GLuint scratchFbo, GLuint scratchTex,
                       float radius, glm::vec2 size) const;
};

// Rebuilds a reloadable program when its files changed (or it never built): where each pass
// picks up an edited shader, at the start of its draw.
void rebuildIfChanged(ShaderProgram& program);

template <typename Call>
void FrameResources::driverCall(DriverWork work, const Call& call) const
{
    if (!observer) {
        call();
        return;
    }
    struct Repeat final : DriverCall {
        explicit Repeat(const Call& call) : call(call) {}
        void again() const override { call(); }
        const Call& call;
    };
    observer->before(work);
    call();
    observer->after(work, Repeat(call));
}
