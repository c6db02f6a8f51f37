// The lighting pass: meshes -> sceneFbo (HDR colour and depth), lit by the scene's lights.
#include "render/lighting.h"

#include "resources/gl_error.h"

#include <glm/gtc/type_ptr.hpp>

void LightingPass::render(const FrameScene& scene, const FrameResources& resources) const
{
    rebuildIfChanged(*program);

    glBindFramebuffer(GL_FRAMEBUFFER, resources.targets.sceneFbo);
    resources.clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    checkGlError();
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glUseProgram(program->id());

    // What all meshes share goes up once a frame; a program keeps its uniforms between draws.
    const glm::mat4 view = scene.camera.view;
    const glm::mat4 viewProjection = scene.camera.projection * view;
    const int lightCount = int(scene.lights.size());
    program->setMat4(glm::value_ptr(view), "V");
    program->setVec3(scene.camera.eyePosition(), "vEyePos");
    program->setInt(lightCount, "numberOfLights");
    for (int i = 0; i < lightCount; ++i)
        program->setLight(i, *scene.lights[i]);
    for (const MeshObject* mesh : scene.meshes) {
        if (!mesh->inFrustum(scene.frustumPlanes))
            continue;
        const glm::mat4 mvp = viewProjection * mesh->model;
        const glm::mat4 normalMatrix = glm::transpose(glm::inverse(view * mesh->model));
        program->setMat4(glm::value_ptr(mvp), "MVP");
        program->setMat4(glm::value_ptr(mesh->model), "M");
        program->setMat4(glm::value_ptr(normalMatrix), "mNormalMatrix");
        if (mesh->hasDiffuseTexture)
            program->setTexture2D(mesh->diffuseTexture, "diffuseTexture", 0);
        else
            program->setVec3(glm::vec3(mesh->diffuseColor), "vMaterialDiffuse");
        program->setBool(mesh->hasDiffuseTexture, "hasDiffuseTex");
        if (mesh->hasNormalMap)
            program->setTexture2D(mesh->normalMapTexture, "normalMap", 1);
        program->setBool(mesh->hasNormalMap, "hasNormalMap");
        for (const SubmeshBuffers& submesh : mesh->getSubmeshes())
            resources.drawSubmesh(submesh);
    }
}

void LightingPass::release()
{
    reportProgram.release();
    // The program cache still holds the reloadable program; it goes with the process.
    program.reset();
}
