// Ambient occlusion: the kernel and rotation noise (noiseTex) drawn once at start-up, and the
// occlusion pass (depthTex -> ssaoTex), blurred in place through fullScratchFbo.
#include "render/ssao.h"

#include "resources/gl_error.h"
#include "scene/gl_debug.h"
#include "scene/gl_names.h"

#include <cmath>
#include <glm/gtc/type_ptr.hpp>

namespace {

// Blur radius of the occlusion term, in pixels.
constexpr float kOcclusionBlurRadius = 20.0f;
// Shortest kernel sample, so that the innermost samples still reach past the depth bias.
constexpr float kMinSampleLength = 0.1f;

float unitDraw(RandomSource random)
{
    return float(random()) / kRandomMax;
}

}  // namespace

void SsaoKernel::generate(RandomSource random)
{
    for (int i = 0; i < kSampleCount; ++i) {
        // Three separate statements: the draw order x, y, z is part of the kernel's identity.
        float x = 2.0f * unitDraw(random) - 1.0f;
        float y = 2.0f * unitDraw(random) - 1.0f;
        float z = unitDraw(random);
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length != 0.0f) {
            x /= length;
            y /= length;
            z /= length;
        }
        // Sample lengths grow with the square of the index, so most samples stay near the centre.
        float scale = float(i) * 0.03125f;
        scale *= scale;
        if (scale < kMinSampleLength)
            scale = kMinSampleLength;
        else if (scale > 1.0f)
            scale = 1.0f;
        samples[3 * i + 0] = x * scale;
        samples[3 * i + 1] = y * scale;
        samples[3 * i + 2] = z * scale;
    }
    for (int k = 0; k < kNoiseSize * kNoiseSize; ++k) {
        float x = 2.0f * unitDraw(random) - 1.0f;
        float y = 2.0f * unitDraw(random) - 1.0f;
        const float length = std::sqrt(x * x + y * y);
        if (length != 0.0f) {
            x /= length;
            y /= length;
        }
        noise[3 * k + 0] = x;
        noise[3 * k + 1] = y;
        noise[3 * k + 2] = 0.0f;
    }
}

void SsaoKernel::create(int width, int height, RandomSource random)
{
    generate(random);
    release();
    glGenTextures(1, &noiseTex);
    glBindTexture(GL_TEXTURE_2D, noiseTex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB32F, kNoiseSize, kNoiseSize, 0, GL_RGB, GL_FLOAT, noise);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
    labelObject(GL_TEXTURE, noiseTex, "ssao rotation noise");
    setNoiseScale(width, height);
}

void SsaoKernel::setNoiseScale(int width, int height)
{
    noiseScale = glm::vec2(float(width) * 0.25f, float(height) * 0.25f);
}

void SsaoKernel::release()
{
    deleteTexture(noiseTex);
}

void SsaoPass::render(const FrameScene& scene, const FrameResources& resources) const
{
    rebuildIfChanged(*program);

    const Camera& camera = scene.camera;
    const int width = camera.viewportWidth;
    const int height = camera.viewportHeight;
    const RenderTargets& targets = resources.targets;
    glUseProgram(program->id());

    const glm::mat4 inverseProjection = glm::inverse(camera.projection);
    program->setVec2Array(glm::value_ptr(kernel.noiseScale), 1, "u_rotationNoiseScale");
    program->setVec3Array(kernel.samples, SsaoKernel::kSampleCount, "u_kernel");
    program->setMat4(glm::value_ptr(camera.projection), "u_projectionMatrix");
    program->setMat4(glm::value_ptr(inverseProjection), "u_inverseProjectionMatrix");
    program->setTexture2D(targets.depthTex, "u_depthTexture", 0);
    // Bound for the shader's interface; ssao.frag derives its normals from depth instead.
    program->setTexture2D(targets.normalTex, "u_normalTexture", 1);
    program->setTexture2D(kernel.noiseTex, "u_rotationNoiseTexture", 2);

    checkGlError();
    // ssao.frag reads depth only at texel centres.
    resources.texelSampler.bind(0);
    resources.drawQuadInto(targets.ssaoFbo, width, height);
    resources.texelSampler.unbind(0);
    checkGlError();

    resources.separableBlur(targets.ssaoFbo, targets.ssaoTex, targets.fullScratchFbo, targets.fullScratchTex,
                            kOcclusionBlurRadius, glm::vec2(float(width), float(height)));
}

void SsaoPass::release()
{
    kernel.release();
    reportProgram.release();
    // The program cache still holds the reloadable program; it goes with the process.
    program.reset();
}
