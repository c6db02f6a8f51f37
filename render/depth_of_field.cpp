// Depth of field: copies the bloomed scene (sceneColorTex) to half size with the focus factor
// from normalTex's alpha, then blurs it with a separable 25-tap Gaussian (13 linear-filtered
// fetches per axis) through halfScratchTex. Leaves the blurred image in halfTex for the composite.
#include "render/renderer.h"

#include "resources/gl_error.h"

namespace {

// Distances, in units of the tap spacing, of the centre fetch and of the six fetches on each side
// that land between two taps so that linear filtering averages the pair.
constexpr std::array<float, 7> kTapDistances = {0.0f,    1.3366f, 3.4295f, 5.4264f,
                                                7.4359f, 9.4436f, 11.4401f};

}  // namespace

std::array<float, 7> gaussTapOffsets(float viewportSize)
{
    std::array<float, 7> offsets{};
    // A minimised window reports a zero size; zero offsets keep the uniforms finite.
    if (viewportSize <= 0.0f)
        return offsets;
    const float spacing = 0.5f / viewportSize;
    for (size_t k = 0; k < offsets.size(); ++k)
        offsets[k] = kTapDistances[k] * spacing;
    return offsets;
}

void Renderer::renderDepthOfField(const FrameScene& scene)
{
    const std::array<float, 7> horizontal = gaussTapOffsets(float(scene.camera.viewportWidth));
    const std::array<float, 7> vertical = gaussTapOffsets(float(scene.camera.viewportHeight));
    const int tapCount = int(horizontal.size());

    // Half-size copy with the focus factor in alpha.
    glBindFramebuffer(GL_FRAMEBUFFER, targets.halfFbo);
    glViewport(0, 0, targets.halfWidth, targets.halfHeight);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    downsampleProgram.use();
    downsampleProgram.setTexture2D(targets.sceneColorTex, "uInputTex", 0);
    downsampleProgram.setTexture2D(targets.normalTex, "alphaTex", 1);
    downsampleProgram.setVec4(glm::vec4(1.0f), "uScale");
    downsampleProgram.setVec4(glm::vec4(0.0f), "uBias");
    downsampleProgram.setInt(1, "writeAlpha");
    checkGlError();
    quad.draw();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    glBindFramebuffer(GL_FRAMEBUFFER, targets.halfScratchFbo);
    glViewport(0, 0, targets.halfWidth, targets.halfHeight);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    gaussXProgram.use();
    gaussXProgram.setTexture2D(targets.halfTex, "uInputTex", 0);
    gaussXProgram.setFloatArray(horizontal.data(), tapCount, "horzTapOffs");
    checkGlError();
    quad.draw();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    glBindFramebuffer(GL_FRAMEBUFFER, targets.halfFbo);
    glViewport(0, 0, targets.halfWidth, targets.halfHeight);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    gaussYProgram.use();
    gaussYProgram.setTexture2D(targets.halfScratchTex, "uInputTex", 0);
    gaussYProgram.setFloatArray(vertical.data(), tapCount, "vertTapOffs");
    checkGlError();
    quad.draw();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}
