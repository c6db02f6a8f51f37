// Renderer: the frame resources and the passes of every frame. Owns the shader programs, the
// render targets, the full-screen quad, the lens textures, the occlusion kernel, the sky box
// and the particle pool. Each pass is one unit in render/, named after it; the Application
// calls them in frame order (app/application.cpp, Application::run).
#pragma once

#include "render/particles.h"
#include "render/render_targets.h"
#include "render/sky_box.h"
#include "render/ssao.h"
#include "resources/shader.h"
#include "resources/shader_program.h"
#include "scene/camera.h"
#include "scene/frustum.h"
#include "scene/image_decode.h"
#include "scene/lights.h"
#include "scene/mesh_object.h"

#include <array>
#include <memory>
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

// Scale and bias of one downsample step: out = max(0, texel * scale + bias).
struct DownsampleParams {
    float scale;
    float bias;
};
// The flare threshold: (0.5, -1.0) until the camera rides with the rocket, (0.4, -3.0) after.
DownsampleParams flareThreshold(bool rocketView);

// The flare threshold the pass uses: raised for good the first frame rocketView is true, so a
// later frame without it never brings the low threshold back.
class FlareThresholdLatch {
public:
    DownsampleParams update(bool rocketView);

private:
    bool raised = false;
};

// Texture-coordinate offsets of the seven linear-filtered taps of the 25-tap Gaussian along an
// axis of viewportSize pixels (offset 0 is exactly 0).
std::array<float, 7> gaussTapOffsets(float viewportSize);

// The star-burst's texture-coordinate rotation about (0.5, 0.5), by 4 (V[0][2] + V[2][1]) degrees.
glm::mat4 lensStarMatrix(const glm::mat4& view);

class Renderer {
public:
    Renderer() = default;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Creates every program in its fixed order; call with a current context.
    void createShaderPrograms();
    // Lens textures (from the three decodes), targets, quad and occlusion kernel; then clear
    // colour and depth test. Call after createShaderPrograms.
    void createRenderTargets(int width, int height, ImageDecode lensStar, ImageDecode lensDirt,
                             ImageDecode lensColour);
    // Re-creates the size-dependent targets and the noise scale; 0 x 0 is ignored.
    void resize(int width, int height);
    // Deletes every GL object the renderer made; call while the context is current.
    void release();

    // Two-pass blur: along x from sourceTex into scratchFbo, then along y into targetFbo.
    void separableBlur(GLuint targetFbo, GLuint sourceTex, GLuint scratchFbo, GLuint scratchTex,
                       float radius, glm::vec2 size);

    // The passes, in frame order.
    void renderNormalDepth(const FrameScene& scene);
    void renderSsao(const FrameScene& scene);
    void renderLighting(const FrameScene& scene);
    void drawSkyBox(const FrameScene& scene);
    void renderParticles(const FrameScene& scene, double now);
    void renderUnlit(const FrameScene& scene);
    void renderLensFlare(const FrameScene& scene);
    void renderDepthOfField(const FrameScene& scene);
    void renderComposite(const FrameScene& scene);

    // Reloadable programs (shared with the ResourceManager's cache).
    std::shared_ptr<ShaderProgram> ssaoProgram, lightingProgram, compositeProgram, lensFlareProgram,
        particleReloadable, normalDepthProgram;
    // Fixed programs. Those without a pass are built for their console report only.
    ProgramHandle lightingFixed, ssaoFixed, normalDepthFixed, compositeFixed, unlitProgram,
        passThroughProgram, blurProgram, downsampleProgram, lensFlareFixed, gaussXProgram,
        gaussYProgram, particleProgram;

    RenderTargets targets;
    FullScreenQuad quad;
    TexelSampler texelSampler;
    SsaoKernel ssao;
    SkyBox skyBox;
    ParticleSystem particles;
    GLuint lensStarTex = 0, lensDirtTex = 0, lensColorTex = 0;
    FlareThresholdLatch flareLatch;
};
