// OBJ loading: turns a Wavefront OBJ file (parsed by tinyobjloader) into per-shape GPU buffers
// and vertex arrays of a MeshObject, with per-vertex tangents for normal mapping.
// Vertex layout of every mesh: location 0 position (3), 1 texcoord (2), 2 normal (3), 3 tangent (3).
#pragma once

#include "scene/image_decode.h"
#include "scene/mesh_object.h"

#include <string>
#include <vector>

// The CPU side of one OBJ shape: parallel per-vertex arrays (one vertex per distinct
// position / texcoord / normal combination) and triangle indices into them.
struct ShapeData {
    std::vector<float> positions;  // 3 per vertex
    std::vector<float> texcoords;  // 2 per vertex, or empty
    std::vector<float> normals;    // 3 per vertex, or empty
    std::vector<unsigned> indices; // 3 per triangle
    std::vector<glm::vec3> tangents; // one per vertex when both normals and texcoords exist
};

// Everything a load produces before any GL call, so it can be tested and fuzzed without a context.
struct ObjData {
    std::vector<ShapeData> shapes;
    bool readError = false;            // the file could not be read as a mesh (see readObjFile)
    std::vector<std::string> messages; // console lines for shapes that were skipped
};

// Parses an OBJ file into per-shape arrays with tangents. Shapes with a face index outside
// their arrays are dropped with a message. A read error (unreadable, a malformed face or not a
// single triangle) leaves no shapes only when nothing of the file can be trusted; a malformed
// face costs that face alone; see obj_loader.cpp.
ObjData readObjFile(const std::string& path);

// The mesh of the OBJ file, then its textures from the decodes (a path converts to one).
MeshObject* createMesh(const std::string& objPath);
MeshObject* createMesh(const std::string& objPath, ImageDecode diffuse);
MeshObject* createMesh(const std::string& objPath, ImageDecode diffuse, ImageDecode normalMap);
// Replaces the mesh's GL objects and CPU lists with the file's; prints progress and errors.
void loadObj(const std::string& path, MeshObject& mesh);

// Fills tangents (resized to positions.size()) from the faces; see obj_loader.cpp for the formula.
void computeTangents(std::vector<glm::vec3>& tangents, const std::vector<glm::vec2>& texCoords,
                     const std::vector<glm::vec3>& positions, const std::vector<glm::vec3>& faces,
                     const std::vector<glm::vec3>& normals);
