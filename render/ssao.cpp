// Ambient occlusion: the kernel and rotation noise (noiseTex) drawn once at start-up, the
// normal/depth pre-pass (meshes -> normalDepthFbo: normalTex = world normal + focus factor,
// depthTex) and the occlusion pass (depthTex -> ssaoTex), blurred in place through
// fullScratchFbo. Leaves framebuffer 0 bound and depth testing on.
#include "render/renderer.h"
#include "render/ssao.h"
#include "resources/gl_error.h"

#include <cmath>
#include <glm/gtc/type_ptr.hpp>

namespace {

// The pre-pass's focus uniforms; what they mean is written in shaders/normalDepthPass.frag.
constexpr float kFocalDistance = 3.0f;
constexpr float kFocalRange = 5.0f;
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
    setNoiseScale(width, height);
}

void SsaoKernel::setNoiseScale(int width, int height)
{
    noiseScale = glm::vec2(float(width) * 0.25f, float(height) * 0.25f);
}

void SsaoKernel::release()
{
    if (noiseTex)
        glDeleteTextures(1, &noiseTex);
    noiseTex = 0;
}

void Renderer::renderNormalDepth(const FrameScene& scene)
{
    ShaderProgram& program = *normalDepthProgram;
    if (program.needsRebuild())
        program.rebuild();
    checkGlError();

    const Camera& camera = scene.camera;
    glBindFramebuffer(GL_FRAMEBUFFER, targets.normalDepthFbo);
    glViewport(0, 0, camera.viewportWidth, camera.viewportHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const GLenum drawBuffer = GL_COLOR_ATTACHMENT0;
    glDrawBuffers(1, &drawBuffer);
    glUseProgram(program.id());

    const glm::mat4 viewProjection = camera.projection * camera.view;
    program.setFloat(kFocalDistance, "fFocalDistance");
    program.setFloat(kFocalRange, "fFocalRange");
    for (const MeshObject* mesh : scene.meshes) {
        // The test depends only on the mesh, so it decides for all its sub-meshes at once.
        if (!mesh->inFrustum(scene.frustumPlanes))
            continue;
        const glm::mat4 modelViewProjection = viewProjection * mesh->model;
        program.setMat4(glm::value_ptr(modelViewProjection), "MVP");
        program.setMat4(glm::value_ptr(mesh->model), "M");
        for (const SubmeshBuffers& submesh : mesh->submeshes) {
            glBindVertexArray(submesh.vertexArray);
            glDrawElements(GL_TRIANGLES, GLsizei(submesh.indexCount), GL_UNSIGNED_INT, nullptr);
            glBindVertexArray(0);
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    checkGlError();
}

void Renderer::renderSsao(const FrameScene& scene)
{
    ShaderProgram& program = *ssaoProgram;
    if (program.needsRebuild())
        program.rebuild();

    const Camera& camera = scene.camera;
    const int width = camera.viewportWidth;
    const int height = camera.viewportHeight;
    glBindFramebuffer(GL_FRAMEBUFFER, targets.ssaoFbo);
    glViewport(0, 0, width, height);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glUseProgram(program.id());

    const glm::mat4 inverseProjection = glm::inverse(camera.projection);
    program.setVec2Array(glm::value_ptr(ssao.noiseScale), 1, "u_rotationNoiseScale");
    program.setVec3Array(ssao.samples, SsaoKernel::kSampleCount, "u_kernel");
    program.setMat4(glm::value_ptr(camera.projection), "u_projectionMatrix");
    program.setMat4(glm::value_ptr(inverseProjection), "u_inverseProjectionMatrix");
    program.setTexture2D(targets.depthTex, "u_depthTexture", 0);
    // Bound for the shader's interface; ssao.frag derives its normals from depth instead.
    program.setTexture2D(targets.normalTex, "u_normalTexture", 1);
    program.setTexture2D(ssao.noiseTex, "u_rotationNoiseTexture", 2);

    checkGlError();
    // ssao.frag reads depth only at texel centres.
    texelSampler.bind(0);
    quad.draw();
    texelSampler.unbind(0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    checkGlError();

    separableBlur(targets.ssaoFbo, targets.ssaoTex, targets.fullScratchFbo, targets.fullScratchTex,
                  kOcclusionBlurRadius, glm::vec2(float(width), float(height)));
}
