// Depth of field: copies the bloomed scene (sceneColorTex) to half size with the focus factor
// from normalTex's alpha, then blurs it with a separable 25-tap Gaussian (13 linear-filtered
// fetches per axis) through halfScratchTex. Leaves the blurred image in halfTex for the composite.
#include "render/depth_of_field.h"

#include "resources/gl_error.h"

namespace {

// Distances, in units of the tap spacing, of the centre fetch and of the six fetches on each side
// that land between two taps so that linear filtering averages the pair.
constexpr std::array<float, 7> kTapDistances = {0.0f,    1.3366f, 3.4295f, 5.4264f,
                                                7.4359f, 9.4436f, 11.4401f};

}  // namespace

std::array<float, 7> gaussTapOffsets(int halfTargetSize)
{
    std::array<float, 7> offsets{};
    // A minimised window reports a zero size; zero offsets keep the uniforms finite.
    if (halfTargetSize <= 0)
        return offsets;
    const float texel = 1.0f / float(halfTargetSize);
    for (size_t k = 0; k < offsets.size(); ++k)
        offsets[k] = kTapDistances[k] * texel;
    return offsets;
}

void DepthOfFieldPass::render(const FrameScene& scene, const FrameResources& resources) const
{
    const RenderTargets& targets = resources.targets;
    const ProgramHandle& downsample = resources.downsampleProgram;
    // The blur runs in the half-size target: its taps are spaced in half-size texels.
    const std::array<float, 7> horizontal = gaussTapOffsets(halfSize(scene.camera.viewportWidth));
    const std::array<float, 7> vertical = gaussTapOffsets(halfSize(scene.camera.viewportHeight));
    const int tapCount = int(horizontal.size());

    // Half-size copy with the focus factor in alpha.
    downsample.use();
    downsample.setTexture2D(targets.sceneColorTex, "uInputTex", 0);
    downsample.setTexture2D(targets.normalTex, "alphaTex", 1);
    downsample.setVec4(glm::vec4(1.0f), "uScale");
    downsample.setVec4(glm::vec4(0.0f), "uBias");
    downsample.setInt(1, "writeAlpha");
    checkGlError();
    resources.drawQuadInto(targets.halfFbo, targets.halfWidth, targets.halfHeight);

    gaussXProgram.use();
    gaussXProgram.setTexture2D(targets.halfTex, "uInputTex", 0);
    gaussXProgram.setFloatArray(horizontal.data(), tapCount, "horzTapOffs");
    checkGlError();
    resources.drawQuadInto(targets.halfScratchFbo, targets.halfWidth, targets.halfHeight);

    gaussYProgram.use();
    gaussYProgram.setTexture2D(targets.halfScratchTex, "uInputTex", 0);
    gaussYProgram.setFloatArray(vertical.data(), tapCount, "vertTapOffs");
    checkGlError();
    resources.drawQuadInto(targets.halfFbo, targets.halfWidth, targets.halfHeight);
}

void DepthOfFieldPass::release()
{
    gaussXProgram.release();
    gaussYProgram.release();
}
