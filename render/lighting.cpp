// The lighting pass and the unlit-mesh pass. renderLighting clears sceneFbo and draws the lit
// meshes into it with Blinn-Phong, the light array and each mesh's material; it leaves sceneFbo
// bound for the sky box and the particles. renderUnlit draws the unlit meshes (the light-source
// sphere) into the same target and ends the scene by binding framebuffer 0.
#include "render/renderer.h"

#include "resources/gl_error.h"

#include <glm/gtc/type_ptr.hpp>

namespace {

void drawSubmesh(const SubmeshBuffers& submesh)
{
    glBindVertexArray(submesh.vertexArray);
    glDrawElements(GL_TRIANGLES, GLsizei(submesh.indexCount), GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
}

}  // namespace

void Renderer::renderLighting(const FrameScene& scene)
{
    ShaderProgram& program = *lightingProgram;
    if (program.needsRebuild())
        program.rebuild();

    // The viewport stays as the occlusion blur left it: the full target size.
    glBindFramebuffer(GL_FRAMEBUFFER, targets.sceneFbo);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    checkGlError();
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glUseProgram(program.id());

    // What all meshes share goes up once a frame; a program keeps its uniforms between draws.
    const glm::mat4 view = scene.camera.view;
    const glm::mat4 viewProjection = scene.camera.projection * view;
    const int lightCount = int(scene.lights.size());
    program.setMat4(glm::value_ptr(view), "V");
    program.setVec3(scene.camera.position, "vEyePos");
    program.setInt(lightCount, "numberOfLights");
    for (int i = 0; i < lightCount; ++i)
        program.setLight(i, *scene.lights[i]);
    for (const MeshObject* mesh : scene.meshes) {
        if (!mesh->inFrustum(scene.frustumPlanes))
            continue;
        const glm::mat4 mvp = viewProjection * mesh->model;
        const glm::mat4 normalMatrix = glm::transpose(glm::inverse(view * mesh->model));
        program.setMat4(glm::value_ptr(mvp), "MVP");
        program.setMat4(glm::value_ptr(mesh->model), "M");
        program.setMat4(glm::value_ptr(normalMatrix), "mNormalMatrix");
        if (mesh->hasDiffuseTexture)
            program.setTexture2D(mesh->diffuseTexture, "diffuseTexture", 0);
        else
            program.setVec3(glm::vec3(mesh->diffuseColor), "vMaterialDiffuse");
        program.setBool(mesh->hasDiffuseTexture, "hasDiffuseTex");
        if (mesh->hasNormalMap)
            program.setTexture2D(mesh->normalMapTexture, "normalMap", 1);
        program.setBool(mesh->hasNormalMap, "hasNormalMap");
        for (const SubmeshBuffers& submesh : mesh->getSubmeshes())
            drawSubmesh(submesh);
    }
}

void Renderer::renderUnlit(const FrameScene& scene)
{
    checkGlError();
    unlitProgram.use();
    const glm::mat4 view = scene.camera.view;
    const glm::mat4 viewProjection = scene.camera.projection * view;
    unlitProgram.setMat4(glm::value_ptr(view), "V");
    for (const MeshObject* mesh : scene.unlitMeshes) {
        if (!mesh->inFrustum(scene.frustumPlanes))
            continue;
        const glm::mat4 mvp = viewProjection * mesh->model;
        unlitProgram.setMat4(glm::value_ptr(mvp), "MVP");
        unlitProgram.setMat4(glm::value_ptr(mesh->model), "M");
        unlitProgram.setTexture2D(mesh->diffuseTexture, "diffuseTexture", 0);
        for (const SubmeshBuffers& submesh : mesh->getSubmeshes())
            drawSubmesh(submesh);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}
