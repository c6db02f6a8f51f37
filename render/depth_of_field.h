// Depth of field: copies the bloomed scene (sceneColorTex) to half size with the focus factor
// from normalTex's alpha, then blurs it with a separable 25-tap Gaussian (13 linear-filtered
// fetches per axis) through halfScratchTex. Leaves the blurred image in halfTex for the composite.
#pragma once

#include "render/frame_resources.h"
#include "resources/shader.h"

#include <array>

// Texture-coordinate offsets of the seven linear-filtered taps of the 25-tap Gaussian along an
// axis of the half-size target, halfTargetSize texels long: tap k lies kTapDistances[k] texels
// from the centre (offset 0 is exactly 0).
std::array<float, 7> gaussTapOffsets(int halfTargetSize);

struct DepthOfFieldPass {
    ProgramHandle gaussXProgram, gaussYProgram;

    // Needs the frame resources' downsample program; call after the lens flare.
    void render(const FrameScene& scene, const FrameResources& resources) const;
    void release();
};
