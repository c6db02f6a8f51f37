// Ambient-occlusion kernel and rotation noise: 32 hemisphere samples (z >= 0) crowding toward
// the centre, and a 4 x 4 tile of unit rotations in the xy plane, drawn once at start-up from
// the shared generator. noiseScale tiles the noise across the window and follows its size.
#pragma once

#include "render/random.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

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
