// OBJ loading: reads a Wavefront file through tinyobjloader into per-shape parallel vertex
// arrays with tangents (CPU only, no GL), then uploads them as one set of static buffers and
// one vertex array per shape into a MeshObject, with the mesh's CPU copy of all shapes.
// Progress and errors go to standard output.
#include "scene/obj_loader.h"

#include "scene/gl_debug.h"
#include "scene/texture.h"

#include <tiny_obj_loader.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unordered_map>
#include <utility>

namespace {

constexpr GLuint kPositionLocation = 0;
constexpr GLuint kTexCoordLocation = 1;
constexpr GLuint kNormalLocation = 2;
constexpr GLuint kTangentLocation = 3;

// Shorter tangents than this carry no direction worth normalising.
constexpr float kMinTangentLength = 1e-12f;

// A tinyobjloader corner: position, texture-coordinate and normal index (-1 when absent).
struct CornerKey {
    int position, texCoord, normal;
    bool operator==(const CornerKey& o) const
    {
        return position == o.position && texCoord == o.texCoord && normal == o.normal;
    }
};

struct CornerKeyHash {
    size_t operator()(const CornerKey& k) const
    {
        uint64_t h = static_cast<uint32_t>(k.position);
        h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(k.texCoord);
        h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(k.normal);
        return static_cast<size_t>(h ^ (h >> 29));
    }
};

bool indexFits(int index, size_t count, bool optional)
{
    if (index == -1)
        return optional;
    return index >= 0 && static_cast<size_t>(index) < count;
}

// Every corner must name an existing position, and an existing texture coordinate and normal
// or none. tinyobjloader only warns about indices past the end, so this is where they stop.
bool cornersFit(const std::vector<tinyobj::index_t>& corners, const tinyobj::attrib_t& attrib)
{
    const size_t positionCount = attrib.vertices.size() / 3;
    const size_t texCoordCount = attrib.texcoords.size() / 2;
    const size_t normalCount = attrib.normals.size() / 3;
    for (const tinyobj::index_t& c : corners) {
        if (!indexFits(c.vertex_index, positionCount, false) ||
            !indexFits(c.texcoord_index, texCoordCount, true) || !indexFits(c.normal_index, normalCount, true))
            return false;
    }
    return true;
}

// Drops every triangle whose corners disagree about having a texture coordinate or a normal,
// keeping the others in order; true when it dropped any.
bool dropMixedTriangles(std::vector<tinyobj::index_t>& corners)
{
    const auto mixed = [](const tinyobj::index_t* t) {
        for (size_t k = 1; k < 3; ++k) {
            if ((t[k].texcoord_index >= 0) != (t[0].texcoord_index >= 0) ||
                (t[k].normal_index >= 0) != (t[0].normal_index >= 0))
                return true;
        }
        return false;
    };
    size_t kept = 0;
    for (size_t i = 0; i + 2 < corners.size(); i += 3) {
        if (mixed(&corners[i]))
            continue;
        std::copy(corners.begin() + std::ptrdiff_t(i), corners.begin() + std::ptrdiff_t(i + 3),
                  corners.begin() + std::ptrdiff_t(kept));
        kept += 3;
    }
    const bool dropped = kept != corners.size();
    corners.resize(kept);
    return dropped;
}

// One vertex per distinct corner, numbered in order of first use. A corner without a texture
// coordinate or normal in a shape that has them elsewhere gets zeros.
ShapeData buildShape(const std::vector<tinyobj::index_t>& corners, const tinyobj::attrib_t& attrib)
{
    bool hasTexCoords = false;
    bool hasNormals = false;
    for (const tinyobj::index_t& c : corners) {
        hasTexCoords = hasTexCoords || c.texcoord_index >= 0;
        hasNormals = hasNormals || c.normal_index >= 0;
    }

    ShapeData shape;
    std::unordered_map<CornerKey, unsigned, CornerKeyHash> numbering;
    numbering.reserve(corners.size());
    shape.indices.reserve(corners.size());
    for (const tinyobj::index_t& c : corners) {
        const CornerKey key{c.vertex_index, c.texcoord_index, c.normal_index};
        const auto found = numbering.find(key);
        if (found != numbering.end()) {
            shape.indices.push_back(found->second);
            continue;
        }
        const unsigned vertex = static_cast<unsigned>(numbering.size());
        numbering.emplace(key, vertex);
        shape.indices.push_back(vertex);
        const size_t p = static_cast<size_t>(c.vertex_index) * 3;
        shape.positions.insert(shape.positions.end(), &attrib.vertices[p], &attrib.vertices[p] + 3);
        if (hasTexCoords) {
            const bool present = c.texcoord_index >= 0;
            const size_t t = present ? static_cast<size_t>(c.texcoord_index) * 2 : 0;
            shape.texcoords.push_back(present ? attrib.texcoords[t] : 0.0f);
            shape.texcoords.push_back(present ? attrib.texcoords[t + 1] : 0.0f);
        }
        if (hasNormals) {
            const bool present = c.normal_index >= 0;
            const size_t n = present ? static_cast<size_t>(c.normal_index) * 3 : 0;
            for (size_t k = 0; k < 3; ++k)
                shape.normals.push_back(present ? attrib.normals[n + k] : 0.0f);
        }
    }
    return shape;
}

// The shape's tangents from its own vertices and faces.
void addTangents(ShapeData& shape)
{
    const size_t count = shape.positions.size() / 3;
    std::vector<glm::vec3> positions(count), normals(count);
    std::vector<glm::vec2> texCoords(count);
    for (size_t i = 0; i < count; ++i) {
        positions[i] = glm::vec3(shape.positions[3 * i], shape.positions[3 * i + 1], shape.positions[3 * i + 2]);
        texCoords[i] = glm::vec2(shape.texcoords[2 * i], shape.texcoords[2 * i + 1]);
        normals[i] = glm::vec3(shape.normals[3 * i], shape.normals[3 * i + 1], shape.normals[3 * i + 2]);
    }
    std::vector<glm::vec3> faces(shape.indices.size() / 3);
    for (size_t f = 0; f < faces.size(); ++f)
        faces[f] = glm::vec3(static_cast<float>(shape.indices[3 * f]), static_cast<float>(shape.indices[3 * f + 1]),
                             static_cast<float>(shape.indices[3 * f + 2]));
    computeTangents(shape.tangents, texCoords, positions, faces, normals);
}

// A unit vector orthogonal to normal, leaning towards hint; any orthogonal axis when hint is
// parallel to the normal or zero.
glm::vec3 orthogonalTangent(const glm::vec3& normal, const glm::vec3& hint)
{
    const float normalLength = glm::length(normal);
    const glm::vec3 n = normalLength > kMinTangentLength ? normal / normalLength : glm::vec3(0.0f);
    const glm::vec3 t = hint - n * glm::dot(n, hint);
    const float length = glm::length(t);
    if (std::isfinite(length) && length > kMinTangentLength)
        return t / length;
    const glm::vec3 a = glm::abs(n);
    const glm::vec3 axis = a.x <= a.y && a.x <= a.z ? glm::vec3(1, 0, 0)
                           : a.y <= a.z             ? glm::vec3(0, 1, 0)
                                                    : glm::vec3(0, 0, 1);
    const glm::vec3 c = glm::cross(n, axis);
    const float crossLength = glm::length(c);
    if (std::isfinite(crossLength) && crossLength > kMinTangentLength)
        return c / crossLength;
    return glm::vec3(1, 0, 0);
}

// Skin weights ("vw" lines) are never used, and tinyobjloader converts a joint number beyond the
// range of int without a check (undefined behaviour): each such line becomes a comment. Lines end
// where the parser ends them, at '\n' or '\r', and it skips spaces and tabs before a keyword.
void commentOutVertexWeights(std::string& text)
{
    bool lineStart = true;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\r') {
            lineStart = true;
            continue;
        }
        if (!lineStart || c == ' ' || c == '\t')
            continue;
        lineStart = false;
        if (c == 'v' && i + 2 < text.size() && text[i + 1] == 'w' && (text[i + 2] == ' ' || text[i + 2] == '\t'))
            text[i] = '#';
    }
}

bool fitsIn(float index, size_t count)
{
    return index >= 0.0f && index < static_cast<float>(count);
}

GLuint makeBuffer(GLenum target, const void* data, size_t bytes)
{
    GLuint name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(target, name);
    glBufferData(target, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
    glBindBuffer(target, 0);
    return name;
}

void bindAttribute(GLuint location, GLuint buffer, GLint components)
{
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE, 0, nullptr);
}

// Names the shape's GL objects for graphics debuggers: "<file> shape <n> positions" and so on.
void labelSubmesh(const SubmeshBuffers& record, const std::string& name)
{
    labelObject(GL_VERTEX_ARRAY, record.vertexArray, name);
    labelObject(GL_BUFFER, record.indexBuffer, name + " indices");
    labelObject(GL_BUFFER, record.positionBuffer, name + " positions");
    labelObject(GL_BUFFER, record.texCoordBuffer, name + " texture coordinates");
    labelObject(GL_BUFFER, record.normalBuffer, name + " normals");
    labelObject(GL_BUFFER, record.tangentBuffer, name + " tangents");
}

SubmeshBuffers uploadShape(const ShapeData& shape)
{
    SubmeshBuffers record;
    record.indexBuffer = makeBuffer(GL_ELEMENT_ARRAY_BUFFER, shape.indices.data(), shape.indices.size() * sizeof(unsigned));
    record.positionBuffer = makeBuffer(GL_ARRAY_BUFFER, shape.positions.data(), shape.positions.size() * sizeof(float));
    if (!shape.texcoords.empty())
        record.texCoordBuffer = makeBuffer(GL_ARRAY_BUFFER, shape.texcoords.data(), shape.texcoords.size() * sizeof(float));
    if (!shape.normals.empty())
        record.normalBuffer = makeBuffer(GL_ARRAY_BUFFER, shape.normals.data(), shape.normals.size() * sizeof(float));
    if (!shape.tangents.empty())
        record.tangentBuffer = makeBuffer(GL_ARRAY_BUFFER, shape.tangents.data(), shape.tangents.size() * sizeof(glm::vec3));

    glGenVertexArrays(1, &record.vertexArray);
    glBindVertexArray(record.vertexArray);
    bindAttribute(kPositionLocation, record.positionBuffer, 3);
    if (record.texCoordBuffer != 0)
        bindAttribute(kTexCoordLocation, record.texCoordBuffer, 2);
    if (record.normalBuffer != 0)
        bindAttribute(kNormalLocation, record.normalBuffer, 3);
    if (record.tangentBuffer != 0)
        bindAttribute(kTangentLocation, record.tangentBuffer, 3);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, record.indexBuffer);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    record.indexCount = static_cast<GLuint>(shape.indices.size());
    return record;
}

}  // namespace

// A read error is any of: tinyobjloader fails (it then hands back no vertex data, so whatever
// shapes it returns are dropped) or reports an error text; a malformed face, which is where a
// file cut short usually ends (a face of fewer than three corners, which tinyobjloader leaves
// out with a warning, or a triangle whose corners disagree about having texture coordinates or
// normals, left out here), after which every good face is still kept; or no triangle in the
// whole file (garbage, an empty file, one cut off before its faces: tinyobjloader skips unknown
// lines silently and would otherwise call such a file a success).
ObjData readObjFile(const std::string& path)
{
    ObjData data;
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warnings;
    std::string errors;
    std::ifstream file(path, std::ios::binary);
    std::string text;
    if (file)
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    commentOutVertexWeights(text);
    std::istringstream stream(text);
    // No material reader: materials are never used, and a "mtllib" line could otherwise make the
    // parser open any file the line names (an endless device, a pipe that never ends).
    const bool ok = file && tinyobj::LoadObj(&attrib, &shapes, &materials, &warnings, &errors, &stream, nullptr);
    if (!ok)
        shapes.clear();
    bool malformed = !ok || warnings.find("Degenerated face") != std::string::npos;

    bool anyTriangle = false;
    for (size_t s = 0; s < shapes.size(); ++s) {
        std::vector<tinyobj::index_t>& corners = shapes[s].mesh.indices;
        corners.resize(corners.size() / 3 * 3);
        malformed = dropMixedTriangles(corners) || malformed;
        if (corners.empty())
            continue;
        anyTriangle = true;
        if (!cornersFit(corners, attrib)) {
            data.messages.push_back("Skipped shape " + std::to_string(s) + " ('" + shapes[s].name + "') of " + path +
                                    ": a face index lies outside its vertex data\n");
            continue;
        }
        ShapeData shape = buildShape(corners, attrib);
        if (!shape.texcoords.empty() && !shape.normals.empty())
            addTangents(shape);
        data.shapes.push_back(std::move(shape));
    }
    data.readError = malformed || !errors.empty() || !anyTriangle;
    return data;
}

void computeTangents(std::vector<glm::vec3>& tangents, const std::vector<glm::vec2>& texCoords,
                     const std::vector<glm::vec3>& positions, const std::vector<glm::vec3>& faces,
                     const std::vector<glm::vec3>& normals)
{
    tangents.resize(positions.size(), glm::vec3(0.0f));
    for (const glm::vec3& face : faces) {
        bool fits = true;
        for (int k = 0; k < 3; ++k)
            fits = fits && fitsIn(face[k], positions.size()) && fitsIn(face[k], texCoords.size()) &&
                   fitsIn(face[k], normals.size());
        if (!fits)
            continue;
        const unsigned i[3] = {static_cast<unsigned>(face.x), static_cast<unsigned>(face.y),
                               static_cast<unsigned>(face.z)};
        const glm::vec3 edge1 = positions[i[1]] - positions[i[0]];
        const glm::vec3 edge2 = positions[i[2]] - positions[i[0]];
        const float du1 = texCoords[i[1]].x - texCoords[i[0]].x;
        const float dv1 = texCoords[i[1]].y - texCoords[i[0]].y;
        const float du2 = texCoords[i[2]].x - texCoords[i[0]].x;
        const float dv2 = texCoords[i[2]].y - texCoords[i[0]].y;
        const float determinant = dv2 * du1 - du2 * dv1;
        const glm::vec3 t = determinant != 0.0f ? (edge1 * dv2 - edge2 * dv1) * (1.0f / determinant) : glm::vec3(0.0f);
        // Texture coordinates without area give no direction; the triangle's first edge does.
        const glm::vec3 hint = glm::length(edge1) > kMinTangentLength ? edge1 : edge2;
        for (unsigned vertex : i) {
            const glm::vec3& n = normals[vertex];
            // Each component loses its share along the normal's same component (not a dot product).
            const glm::vec3 projected = t - t * n * n;
            const float length = glm::length(projected);
            tangents[vertex] = std::isfinite(length) && length > kMinTangentLength ? projected / length
                                                                                   : orthogonalTangent(n, hint);
        }
    }
}

void loadObj(const std::string& path, MeshObject& mesh)
{
    std::printf("Loading OBJ file %s...\n", path.c_str());
    const ObjData data = readObjFile(path);
    if (data.readError)
        std::printf("ERROR! Loading file %s...\n", path.c_str());
    for (const std::string& message : data.messages)
        std::fputs(message.c_str(), stdout);

    releaseMeshBuffers(mesh);
    std::vector<SubmeshBuffers> records;
    std::vector<glm::vec3> positions, normals, faces;
    std::vector<glm::vec2> texCoords;
    bool anyTexCoords = false;
    bool anyNormals = false;
    for (const ShapeData& shape : data.shapes) {
        anyTexCoords = anyTexCoords || !shape.texcoords.empty();
        anyNormals = anyNormals || !shape.normals.empty();
    }
    for (const ShapeData& shape : data.shapes) {
        records.push_back(uploadShape(shape));
        labelSubmesh(records.back(), path + " shape " + std::to_string(records.size() - 1));
        // The CPU lists hold all shapes end to end, so each face is offset past earlier shapes,
        // and a shape lacking an attribute that another shape has contributes zeros to keep
        // the lists in step.
        const size_t count = shape.positions.size() / 3;
        const float offset = static_cast<float>(positions.size());
        for (size_t v = 0; v < count; ++v) {
            positions.emplace_back(shape.positions[3 * v], shape.positions[3 * v + 1], shape.positions[3 * v + 2]);
            if (anyTexCoords)
                texCoords.push_back(shape.texcoords.empty()
                                        ? glm::vec2(0.0f)
                                        : glm::vec2(shape.texcoords[2 * v], shape.texcoords[2 * v + 1]));
            if (anyNormals)
                normals.push_back(shape.normals.empty() ? glm::vec3(0.0f)
                                                        : glm::vec3(shape.normals[3 * v], shape.normals[3 * v + 1],
                                                                    shape.normals[3 * v + 2]));
        }
        for (size_t i = 0; i + 2 < shape.indices.size(); i += 3)
            faces.emplace_back(static_cast<float>(shape.indices[i]) + offset,
                               static_cast<float>(shape.indices[i + 1]) + offset,
                               static_cast<float>(shape.indices[i + 2]) + offset);
    }
    mesh.setGeometry(positions, texCoords, normals, faces);
    mesh.submeshes = records;
    std::printf("...done\n");
}

MeshObject* createMesh(const std::string& objPath)
{
    MeshObject* mesh = new MeshObject();
    loadObj(objPath, *mesh);
    mesh->diffuseTexture = 0;
    return mesh;
}

MeshObject* createMesh(const std::string& objPath, ImageDecode diffuse)
{
    MeshObject* mesh = createMesh(objPath);
    mesh->diffuseTexture = loadTexture(std::move(diffuse));
    return mesh;
}

MeshObject* createMesh(const std::string& objPath, ImageDecode diffuse, ImageDecode normalMap)
{
    MeshObject* mesh = createMesh(objPath, std::move(diffuse));
    mesh->normalMapTexture = loadTexture(std::move(normalMap));
    return mesh;
}
