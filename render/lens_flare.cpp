// Bloom and lens flare: bright pass, bloom blur and add, flare threshold, ghosts and halo, and
// the flare blur, all through the frame resources' half-size targets.
#include "render/lens_flare.h"

#include "resources/gl_error.h"
#include "scene/gl_names.h"
#include "scene/texture.h"

namespace {

// Ghost and halo shape of the lens-flare program; the chromatic distortion is in texels.
constexpr int kGhostSamples = 9;
constexpr float kGhostDispersal = 0.35f;
constexpr float kHaloWidth = 0.6f;
constexpr float kChromaticDistortion = 1.0f;

// The bright pass keeps what exceeds 1.0 (halved); the bloom add brings it back 2.2 times.
constexpr DownsampleParams kBrightPass{0.5f, -0.5f};
constexpr DownsampleParams kBloomAdd{2.2f, 0.0f};
constexpr float kBloomRadius = 30.0f;
constexpr float kFlareRadius = 24.0f;

// Scale and bias of a downsample draw whose alpha nobody reads. The program keeps writeAlpha
// from its last use (the depth-of-field copy sets it), so it is turned off here. A software
// driver may still make the fetch the untaken branch holds, so alphaTex gets the focus-factor
// texture it is meant for rather than whatever unit 1 last held (a large mipmapped map).
void setScaleBias(const ProgramHandle& program, DownsampleParams params, GLuint alphaTex)
{
    program.setVec4(glm::vec4(params.scale), "uScale");
    program.setVec4(glm::vec4(params.bias), "uBias");
    program.setInt(0, "writeAlpha");
    program.setTexture2D(alphaTex, "alphaTex", 1);
}

}  // namespace

DownsampleParams flareThreshold(bool rocketView)
{
    // Once the camera rides with the rocket the exhaust and sun fill the view, so only far
    // brighter highlights (above 7.5 instead of 2.0) may throw ghosts.
    return rocketView ? DownsampleParams{0.4f, -3.0f} : DownsampleParams{0.5f, -1.0f};
}

DownsampleParams FlareThresholdLatch::update(bool rocketView)
{
    raised = raised || rocketView;
    return flareThreshold(raised);
}

void LensFlarePass::loadLensImages(ImageDecode star, ImageDecode dirt, ImageDecode colourRamp)
{
    for (GLuint* texture : {&lensStarTex, &lensDirtTex, &lensColorTex})
        deleteTexture(*texture);
    lensStarTex = loadTexture(std::move(star));
    lensDirtTex = loadTexture(std::move(dirt));
    lensColorTex = loadTexture1D(std::move(colourRamp));
}

void LensFlarePass::render(const FrameScene& scene, const FrameResources& resources)
{
    const RenderTargets& targets = resources.targets;
    const ProgramHandle& downsample = resources.downsampleProgram;
    const int width = scene.camera.viewportWidth;
    const int height = scene.camera.viewportHeight;
    const glm::vec2 halfExtent(float(targets.halfWidth), float(targets.halfHeight));

    rebuildIfChanged(*program);

    // Bright pass: what exceeds 1.0, at half size.
    downsample.use();
    downsample.setTexture2D(targets.sceneColorTex, "uInputTex", 0);
    setScaleBias(downsample, kBrightPass, targets.normalTex);
    checkGlError();
    resources.drawQuadInto(targets.halfFbo, targets.halfWidth, targets.halfHeight);

    resources.separableBlur(targets.halfFbo, targets.halfTex, targets.halfScratchFbo, targets.halfScratchTex,
                            kBloomRadius, halfExtent);

    // Bloom add. The blur left depth testing on, so the quad (window depth 0.5) adds only over
    // scene depths beyond 0.5 and writes 0.5 there; nothing reads the scene depth afterwards.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    downsample.use();
    downsample.setTexture2D(targets.halfTex, "uInputTex", 0);
    setScaleBias(downsample, kBloomAdd, targets.normalTex);
    checkGlError();
    resources.drawQuadInto(targets.sceneFbo, width, height);
    glDisable(GL_BLEND);
    checkGlError();

    // Flare threshold of the bloomed scene, at half size.
    downsample.use();
    downsample.setTexture2D(targets.sceneColorTex, "uInputTex", 0);
    setScaleBias(downsample, thresholdLatch.update(scene.rocketView), targets.normalTex);
    resources.drawQuadInto(targets.halfFbo, targets.halfWidth, targets.halfHeight);

    // Ghosts and halo of the thresholded image, at half size.
    glUseProgram(program->id());
    program->setInt(kGhostSamples, "uSamples");
    program->setFloat(kGhostDispersal, "uDispersal");
    program->setFloat(kHaloWidth, "uHaloWidth");
    program->setFloat(kChromaticDistortion, "uDistortion");
    program->setTexture2D(targets.halfTex, "uInputTex", 0);
    program->setTexture1D(lensColorTex, "uLensColor", 1);
    resources.drawQuadInto(targets.flareFbo, targets.halfWidth, targets.halfHeight);

    resources.separableBlur(targets.flareFbo, targets.flareTex, targets.halfScratchFbo, targets.halfScratchTex,
                            kFlareRadius, halfExtent);
}

void LensFlarePass::release()
{
    for (GLuint* texture : {&lensStarTex, &lensDirtTex, &lensColorTex})
        deleteTexture(*texture);
    reportProgram.release();
    // The program cache still holds the reloadable program; it goes with the process.
    program.reset();
}
