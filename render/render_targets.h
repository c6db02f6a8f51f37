// Render targets: the floating-point textures and framebuffers every pass draws into, sized
// from the window. Everything here depends on the window size and is made by create(),
// called at start-up and again when the window size changes.
#pragma once

#include <GL/glew.h>

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

    // Releases any previous targets, then creates all of them at width x height. A checked
    // framebuffer that is not complete prints "FBO CREATION FAILED!\n" on standard output.
    void create(int targetWidth, int targetHeight);
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
// full-size inputs. At a texel centre linear and nearest filtering give the same value, but
// llvmpipe compiles the filter into the shader, and a nearest fetch there costs about a
// quarter of a linear one. The targets keep their own linear filters for the passes that do
// sample between texels. Sampler objects came with GL 3.3: where the driver has none, bind and
// unbind do nothing and the targets' own filters give the same picture.
struct TexelSampler {
    GLuint sampler = 0;

    void create();
    void bind(GLuint unit) const;
    void unbind(GLuint unit) const;
    void release();
};
