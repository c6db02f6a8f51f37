// Bloom and lens flare. Reads the lit scene in sceneColorTex; adds the blurred bright parts back
// onto it (sceneFbo, additive, depth-tested against the scene depth) and leaves the blurred ghosts
// and halo in flareTex. Uses halfTex and halfScratchTex as scratch; switches blending on and off.
#include "render/renderer.h"

#include "resources/gl_error.h"

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

void Renderer::renderLensFlare(const FrameScene& scene)
{
    const int width = scene.camera.viewportWidth;
    const int height = scene.camera.viewportHeight;
    const glm::vec2 halfExtent(float(targets.halfWidth), float(targets.halfHeight));

    if (lensFlareProgram->needsRebuild())
        lensFlareProgram->rebuild();

    // Bright pass: what exceeds 1.0, at half size.
    glBindFramebuffer(GL_FRAMEBUFFER, targets.halfFbo);
    glViewport(0, 0, targets.halfWidth, targets.halfHeight);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    downsampleProgram.use();
    downsampleProgram.setTexture2D(targets.sceneColorTex, "uInputTex", 0);
    setScaleBias(downsampleProgram, kBrightPass, targets.normalTex);
    checkGlError();
    quad.draw();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    separableBlur(targets.halfFbo, targets.halfTex, targets.halfScratchFbo, targets.halfScratchTex,
                  kBloomRadius, halfExtent);

    // Bloom add. The blur left depth testing on, so the quad (window depth 0.5) adds only over
    // scene depths beyond 0.5 and writes 0.5 there; nothing reads the scene depth afterwards.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBindFramebuffer(GL_FRAMEBUFFER, targets.sceneFbo);
    glViewport(0, 0, width, height);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    downsampleProgram.use();
    downsampleProgram.setTexture2D(targets.halfTex, "uInputTex", 0);
    setScaleBias(downsampleProgram, kBloomAdd, targets.normalTex);
    checkGlError();
    quad.draw();
    glDisable(GL_BLEND);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    checkGlError();

    // Flare threshold of the bloomed scene, at half size.
    glBindFramebuffer(GL_FRAMEBUFFER, targets.halfFbo);
    glViewport(0, 0, targets.halfWidth, targets.halfHeight);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    downsampleProgram.use();
    downsampleProgram.setTexture2D(targets.sceneColorTex, "uInputTex", 0);
    setScaleBias(downsampleProgram, flareLatch.update(scene.rocketView), targets.normalTex);
    quad.draw();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    // Ghosts and halo of the thresholded image; the half-size viewport stays.
    glBindFramebuffer(GL_FRAMEBUFFER, targets.flareFbo);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glUseProgram(lensFlareProgram->id());
    lensFlareProgram->setInt(kGhostSamples, "uSamples");
    lensFlareProgram->setFloat(kGhostDispersal, "uDispersal");
    lensFlareProgram->setFloat(kHaloWidth, "uHaloWidth");
    lensFlareProgram->setFloat(kChromaticDistortion, "uDistortion");
    lensFlareProgram->setTexture2D(targets.halfTex, "uInputTex", 0);
    lensFlareProgram->setTexture1D(lensColorTex, "uLensColor", 1);
    quad.draw();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    separableBlur(targets.flareFbo, targets.flareTex, targets.halfScratchFbo, targets.halfScratchTex,
                  kFlareRadius, halfExtent);
}
