// Mesh building for the asset tool: an indexed triangle list with one position, normal and texture
// coordinate per vertex, the shape generators the scene's models are made of (UV sphere, lathe,
// box faces, flat prisms), smooth normals, and the Wavefront OBJ writer.
#pragma once

#include <functional>
#include <glm/mat3x3.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

// Triangles are counter-clockwise seen from the side their normals point to.
struct MeshData {
    std::vector<glm::vec3> positions;
    std::vector<glm::vec3> normals;   // one per position
    std::vector<glm::vec2> texcoords; // one per position, or empty for a mesh without texture
    std::vector<glm::uvec3> triangles;
};

// A rectangle of texture space: (u0, v0, u1, v1). v grows towards the image's first row.
using UvRect = glm::vec4;
constexpr UvRect fullUv{0.0f, 0.0f, 1.0f, 1.0f};

// Appends `part`, offsetting its indices; both must agree on having texture coordinates.
void appendMesh(MeshData& into, const MeshData& part);

// Moves positions by `transform` and normals by its inverse transpose (renormalised).
void transformMesh(MeshData& mesh, const glm::mat4& transform);

// Unit sphere, +Y up, `slices` columns around and `stacks` rows from pole to pole. u grows
// eastwards (to the right seen from outside, starting at +Z), v = 1 at the north pole. The seam
// column is duplicated with positions copied bit for bit; each pole is a fan of its own vertices.
MeshData uvSphere(int slices, int stacks);

// Surface of revolution about +Y. The profile is a chain of runs of (radius, y) points; each run
// is smooth, and where one run ends and the next starts the edge is sharp. Travel along the
// profile with the solid on the axis side and the normals point out (up the outside, inwards
// across a top). u follows the angle from +Z towards +X, v the arc length; both span `uv`.
MeshData lathe(const std::vector<std::vector<glm::vec2>>& profile, int segments, const UvRect& uv = fullUv);

// One flat quad from `corner` along `edgeU` and `edgeV`, facing cross(edgeU, edgeV); texture
// coordinates span `uv` with u along edgeU.
void addQuad(MeshData& mesh, const glm::vec3& corner, const glm::vec3& edgeU, const glm::vec3& edgeV,
             const UvRect& uv);

// Box about `centre` with half extents along the orthonormal axes; `faceUv(normal)` chooses
// each face's texture rectangle.
void addBox(MeshData& mesh, const glm::vec3& centre, const glm::vec3& halfExtents,
            const std::function<UvRect(const glm::vec3&)>& faceUv, const glm::mat3& axes = glm::mat3(1.0f));

// Flat plate of `thickness` whose outline (convex, counter-clockwise in the (axisA, axisB) plane)
// is extruded along cross(axisA, axisB) both ways from the plane; hard edges throughout.
void addPlate(MeshData& mesh, const std::vector<glm::vec2>& outline, const glm::vec3& axisA,
              const glm::vec3& axisB, float thickness, const UvRect& uv);

// Area-weighted vertex normals, shared by every vertex at the same position (so seams stay smooth).
void computeSmoothNormals(MeshData& mesh);

// Moves the mesh so its bounding box is centred on the origin and scales it so its largest
// extent equals `size`.
void fitToSize(MeshData& mesh, float size);

// Sum of the signed volumes under the triangles: positive when the winding faces outwards.
float signedVolume(const MeshData& mesh);

// Reverses the winding of every triangle (and flips the normals).
void flipWinding(MeshData& mesh);

// Bounding box as (min, max).
std::pair<glm::vec3, glm::vec3> bounds(const MeshData& mesh);

// Wavefront OBJ: one object, "v", "vt" (if any), "vn", and "f a/b/c" (or "a//c") triangles.
void writeObj(std::ostream& out, const MeshData& mesh, const std::string& objectName);
// The same as a file, whole or not at all; false with the system's reason in error.
bool writeObjFile(const std::string& path, const MeshData& mesh, const std::string& objectName, std::string& error);
