// Bloom and lens flare. Reads the lit scene in sceneColorTex; adds the blurred bright parts back
// onto it (sceneFbo, additive, depth-tested against the scene depth) and leaves the blurred ghosts
// and halo in flareTex. Uses halfTex and halfScratchTex as scratch; switches blending on and off.
// Owns the lens images (the star-burst and dirt the composite lays over the flare, and the
// colour ramp of the ghosts) and the flare threshold.
#pragma once

#include "render/frame_resources.h"
#include "resources/shader.h"
#include "resources/shader_program.h"
#include "scene/image_decode.h"

#include <GL/glew.h>
#include <memory>

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

struct LensFlarePass {
    std::shared_ptr<ShaderProgram> program;  // reloadable, shared with the program cache
    ProgramHandle reportProgram;             // the same files built once, for the console report
    GLuint lensStarTex = 0, lensDirtTex = 0, lensColorTex = 0;
    FlareThresholdLatch thresholdLatch;

    // Makes the lens textures from their decodes (each 0, or a black ramp, after its message
    // when it fails).
    void loadLensImages(ImageDecode star, ImageDecode dirt, ImageDecode colourRamp);
    // Needs the frame resources' downsample and blur programs.
    void render(const FrameScene& scene, const FrameResources& resources);
    void release();
};
