// The normal/depth pre-pass: meshes -> normalDepthFbo (normalTex = world normal + focus factor,
// depthTex). Frustum-culled per mesh; clears its target first.
#include "render/normal_depth.h"

#include "resources/gl_error.h"

#include <glm/gtc/type_ptr.hpp>

namespace {
// The pre-pass's focus uniforms; what they mean is written in shaders/normalDepthPass.frag.
constexpr float kFocalDistance = 3.0f;
constexpr float kFocalRange = 5.0f;
}  // namespace

void NormalDepthPass::render(const FrameScene& scene, const FrameResources& resources) const
{
    rebuildIfChanged(*program);
    checkGlError();

    const Camera& camera = scene.camera;
    glBindFramebuffer(GL_FRAMEBUFFER, resources.targets.normalDepthFbo);
    glViewport(0, 0, camera.viewportWidth, camera.viewportHeight);
    resources.clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const GLenum drawBuffer = GL_COLOR_ATTACHMENT0;
    glDrawBuffers(1, &drawBuffer);
    glUseProgram(program->id());

    const glm::mat4 viewProjection = camera.projection * camera.view;
    program->setFloat(kFocalDistance, "fFocalDistance");
    program->setFloat(kFocalRange, "fFocalRange");
    for (const MeshObject* mesh : scene.meshes) {
        // The test depends only on the mesh, so it decides for all its sub-meshes at once.
        if (!mesh->inFrustum(scene.frustumPlanes))
            continue;
        const glm::mat4 modelViewProjection = viewProjection * mesh->model;
        program->setMat4(glm::value_ptr(modelViewProjection), "MVP");
        program->setMat4(glm::value_ptr(mesh->model), "M");
        for (const SubmeshBuffers& submesh : mesh->submeshes)
            resources.drawSubmesh(submesh);
    }
    checkGlError();
}

void NormalDepthPass::release()
{
    reportProgram.release();
    // The program cache still holds the reloadable program; it goes with the process.
    program.reset();
}
