// MeshObject: the model matrix from frame, scale and position, the bounding sphere and its
// frustum test, and the release of everything a load made (buffers, vertex arrays, textures).
// GL calls happen only on destruction, and only for non-zero names.
#include "scene/mesh_object.h"

#include "scene/gl_names.h"

#include <glm/gtc/matrix_transform.hpp>

MeshObject::~MeshObject()
{
    releaseMeshBuffers(*this);
    deleteTexture(diffuseTexture);
    deleteTexture(normalMapTexture);
}

void MeshObject::update()
{
    orientation = glm::mat4(glm::vec4(-right, 0.0f), glm::vec4(up, 0.0f), glm::vec4(forward, 0.0f),
                            glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    updateModelMatrix();
}

void MeshObject::updateModelMatrix()
{
    const glm::mat4 translation = glm::translate(glm::mat4(1.0f), position);
    const glm::mat4 scaling = glm::scale(glm::mat4(1.0f), glm::vec3(scale));
    model = (translation * scaling) * orientation;
}

void MeshObject::scaleBy(float factor)
{
    scale *= factor;
    updateModelMatrix();
    if (boundsType == BoundsSphere)
        computeBoundingSphere();
}

void MeshObject::computeBoundingSphere()
{
    boundsType = BoundsSphere;
    boundingRadius = 0.0f;
    for (const glm::vec3& v : positions) {
        const float d = glm::length(scale * v);
        if (d > boundingRadius)
            boundingRadius = d;
    }
}

void MeshObject::setGeometry(const std::vector<glm::vec3>& newPositions,
                             const std::vector<glm::vec2>& newTexCoords,
                             const std::vector<glm::vec3>& newNormals,
                             const std::vector<glm::vec3>& newFaces)
{
    positions = newPositions;
    texCoords = newTexCoords;
    normals = newNormals;
    faces = newFaces;
}

bool MeshObject::inFrustum(const FrustumPlanes& planes) const
{
    if (boundsType != BoundsSphere)
        return true;
    for (const glm::vec4& plane : planes) {
        const float distance = plane.x * position.x + plane.y * position.y + plane.z * position.z + plane.w;
        if (distance < -boundingRadius)
            return false;
    }
    return true;
}

void releaseMeshBuffers(MeshObject& mesh)
{
    for (SubmeshBuffers& record : mesh.submeshes) {
        deleteBuffer(record.indexBuffer);
        deleteBuffer(record.positionBuffer);
        deleteBuffer(record.texCoordBuffer);
        deleteBuffer(record.normalBuffer);
        deleteBuffer(record.tangentBuffer);
        deleteVertexArray(record.vertexArray);
        record.indexCount = 0;
    }
    mesh.submeshes.clear();
}
