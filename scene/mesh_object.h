// MeshObject: a drawable SceneObject. Owns the GL buffers and vertex arrays of one loaded OBJ
// file (one set per shape), its diffuse and normal-map textures, a CPU copy of the geometry,
// a uniform scale, the model matrix "M" and an optional bounding sphere for frustum culling.
#pragma once

#include "scene/frustum.h"
#include "scene/scene_object.h"

#include <GL/glew.h>
#include <vector>

enum BoundsType : int { BoundsSphere = 1, BoundsNone = 2 };

// The GL objects of one OBJ shape. Zero means "none" for every name.
struct SubmeshBuffers {
    GLuint indexBuffer = 0;
    GLuint positionBuffer = 0;
    GLuint texCoordBuffer = 0;
    GLuint normalBuffer = 0;
    GLuint indexCount = 0;
    GLuint vertexArray = 0;
    // Not part of the drawing interface: kept so destruction can release it.
    GLuint tangentBuffer = 0;
};

class MeshObject : public SceneObject {
public:
    MeshObject() = default;
    // Releases every GL object the mesh made: buffers, vertex arrays and both textures.
    ~MeshObject() override;
    MeshObject(const MeshObject&) = delete;
    MeshObject& operator=(const MeshObject&) = delete;

    // Rebuilds orientation from the frame (columns -right, up, forward), then the model matrix.
    void update() override;
    // model = translate(position) * scale * orientation.
    void updateModelMatrix();
    // Multiplies the scale; keeps the bounding sphere in step when there is one. Does not call update.
    void scaleBy(float factor);
    // Radius about the object's origin enclosing every scaled vertex; enables culling.
    void computeBoundingSphere();
    const std::vector<SubmeshBuffers>& getSubmeshes() const { return submeshes; }
    void setGeometry(const std::vector<glm::vec3>& positions, const std::vector<glm::vec2>& texCoords,
                     const std::vector<glm::vec3>& normals, const std::vector<glm::vec3>& faces);
    // True when the mesh may be visible; a mesh without a bounding sphere is always visible.
    bool inFrustum(const FrustumPlanes& planes) const;

    BoundsType boundsType = BoundsNone;
    float boundingRadius = 0.0f;
    float scale = 1.0f;
    GLuint diffuseTexture = 0;
    GLuint normalMapTexture = 0;
    glm::mat4 model{1.0f};
    glm::mat4 orientation{1.0f};
    std::vector<glm::vec3> positions;
    std::vector<glm::vec2> texCoords;
    std::vector<glm::vec3> normals;
    std::vector<glm::vec3> faces;  // vertex-index triples, each index stored as a float
    bool hasDiffuseTexture = true;
    bool hasNormalMap = false;
    std::vector<SubmeshBuffers> submeshes;
    glm::vec4 diffuseColor{0.0f};
};

// Deletes every buffer (tangents included) and vertex array of the mesh's shapes and empties
// submeshes; the textures stay.
void releaseMeshBuffers(MeshObject& mesh);
