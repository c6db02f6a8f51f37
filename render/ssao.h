// Screen-space ambient occlusion: reads the pre-pass depth (depthTex), writes the occlusion
// term into ssaoTex and blurs it in place through fullScratchFbo. Owns its programs and its
// kernel: 32 hemisphere samples (z >= 0) crowding toward the centre and a 4 x 4 tile of unit
// rotations in the xy plane, drawn once at start-up from the shared generator; noiseScale tiles
// the noise across the output and follows its size. Binds ssaoFbo (and fullScratchFbo for the
// blur) and leaves ssaoFbo bound, depth testing on.
#pragma once

#include "render/frame_resources.h"
#include "render/random.h"
#include "resources/shader.h"
#include "resources/shader_program.h"

#include <GL/glew.h>
#include <glm/glm.hpp>
#include <memory>

struct SsaoKernel {
    static constexpr int kSampleCount = 32;
    static constexpr int kNoiseSize = 4;

    float samples[kSampleCount * 3] = {};              // "u_kernel"
    float noise[kNoiseSize * kNoiseSize * 3] = {};      // texel k = (k mod 4, k div 4)
    glm::vec2 noiseScale{0.0f};                         // "u_rotationNoiseScale"
    GLuint noiseTex = 0;

    // Draws the samples then the noise (in that order) and uploads noiseTex. Needs a current context.
    void create(int width, int height, RandomSource random = nextRandom);
    // The CPU half of create: 96 draws for the samples, then 32 for the noise.
    void generate(RandomSource random);
    // One noise texel per pixel: (width / 4, height / 4). Called at start-up and on every resize.
    void setNoiseScale(int width, int height);
    void release();
};

struct SsaoPass {
    std::shared_ptr<ShaderProgram> program;  // reloadable, shared with the program cache
    ProgramHandle reportProgram;             // the same files built once, for the console report
    SsaoKernel kernel;

    void render(const FrameScene& scene, const FrameResources& resources) const;
    void release();
};
