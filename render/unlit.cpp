// The unlit-mesh pass: unlit meshes -> the bound scene target.
#include "render/unlit.h"

#include "resources/gl_error.h"

#include <glm/gtc/type_ptr.hpp>

void UnlitPass::render(const FrameScene& scene, const FrameResources& resources) const
{
    checkGlError();
    program.use();
    const glm::mat4 view = scene.camera.view;
    const glm::mat4 viewProjection = scene.camera.projection * view;
    program.setMat4(glm::value_ptr(view), "V");
    for (const MeshObject* mesh : scene.unlitMeshes) {
        if (!mesh->inFrustum(scene.frustumPlanes))
            continue;
        const glm::mat4 mvp = viewProjection * mesh->model;
        program.setMat4(glm::value_ptr(mvp), "MVP");
        program.setMat4(glm::value_ptr(mesh->model), "M");
        program.setTexture2D(mesh->diffuseTexture, "diffuseTexture", 0);
        for (const SubmeshBuffers& submesh : mesh->getSubmeshes())
            resources.drawSubmesh(submesh);
    }
}

void UnlitPass::release()
{
    program.release();
}
