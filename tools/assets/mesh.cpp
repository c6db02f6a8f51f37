// Mesh generators, normals and the OBJ writer of the asset tool (see mesh.h).
#include "tools/assets/mesh.h"

#include <cmath>
#include "resources/safe_write.h"

#include <cstdio>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_inverse.hpp>
#include <map>
#include <sstream>
#include <tuple>

namespace {

constexpr float twoPi = 6.28318530718f;

// Twice the area of a triangle below which it is dropped as degenerate (mesh units squared).
constexpr float degenerateArea = 1e-12f;

bool isDegenerate(const glm::vec3& a, const glm::vec3& b, const glm::vec3& c)
{
    return glm::length(glm::cross(b - a, c - a)) <= degenerateArea;
}

void addTriangle(MeshData& mesh, unsigned a, unsigned b, unsigned c)
{
    if (!isDegenerate(mesh.positions[a], mesh.positions[b], mesh.positions[c]))
        mesh.triangles.emplace_back(a, b, c);
}

unsigned addVertex(MeshData& mesh, const glm::vec3& position, const glm::vec3& normal, const glm::vec2& uv)
{
    mesh.positions.push_back(position);
    mesh.normals.push_back(normal);
    mesh.texcoords.push_back(uv);
    return static_cast<unsigned>(mesh.positions.size() - 1);
}

glm::vec2 uvAt(const UvRect& rect, float s, float t)
{
    return {rect.x + (rect.z - rect.x) * s, rect.y + (rect.w - rect.y) * t};
}

} // namespace

void appendMesh(MeshData& into, const MeshData& part)
{
    const auto offset = static_cast<unsigned>(into.positions.size());
    into.positions.insert(into.positions.end(), part.positions.begin(), part.positions.end());
    into.normals.insert(into.normals.end(), part.normals.begin(), part.normals.end());
    into.texcoords.insert(into.texcoords.end(), part.texcoords.begin(), part.texcoords.end());
    for (const glm::uvec3& t : part.triangles)
        into.triangles.push_back(t + glm::uvec3(offset));
}

void transformMesh(MeshData& mesh, const glm::mat4& transform)
{
    const glm::mat3 normalMatrix = glm::inverseTranspose(glm::mat3(transform));
    for (glm::vec3& p : mesh.positions)
        p = glm::vec3(transform * glm::vec4(p, 1.0f));
    for (glm::vec3& n : mesh.normals)
        n = glm::normalize(normalMatrix * n);
}

MeshData uvSphere(int slices, int stacks)
{
    MeshData mesh;
    const int columns = slices + 1;
    for (int row = 0; row <= stacks; ++row) {
        const float v = 1.0f - static_cast<float>(row) / static_cast<float>(stacks);
        const float latitude = (v - 0.5f) * (twoPi / 2.0f);
        for (int column = 0; column < columns; ++column) {
            glm::vec3 p;
            float u = static_cast<float>(column) / static_cast<float>(slices);
            if (row == 0 || row == stacks) {
                // Pole fans: one vertex per slice, its u in the middle of the slice.
                p = {0.0f, row == 0 ? 1.0f : -1.0f, 0.0f};
                u = (static_cast<float>(column) + 0.5f) / static_cast<float>(slices);
            } else if (column == slices) {
                p = mesh.positions[mesh.positions.size() - static_cast<size_t>(slices)];
            } else {
                const float longitude = u * twoPi;
                p = {std::cos(latitude) * std::sin(longitude), std::sin(latitude),
                     std::cos(latitude) * std::cos(longitude)};
            }
            addVertex(mesh, p, p, {u, v});
        }
    }
    for (int row = 0; row < stacks; ++row) {
        for (int column = 0; column < slices; ++column) {
            const auto topLeft = static_cast<unsigned>(row * columns + column);
            const auto bottomLeft = topLeft + static_cast<unsigned>(columns);
            if (row == 0) {
                mesh.triangles.emplace_back(topLeft, bottomLeft, bottomLeft + 1);
            } else if (row == stacks - 1) {
                mesh.triangles.emplace_back(topLeft, bottomLeft, topLeft + 1);
            } else {
                mesh.triangles.emplace_back(topLeft, bottomLeft, bottomLeft + 1);
                mesh.triangles.emplace_back(topLeft, bottomLeft + 1, topLeft + 1);
            }
        }
    }
    return mesh;
}

MeshData lathe(const std::vector<std::vector<glm::vec2>>& profile, int segments, const UvRect& uv)
{
    struct Ring {
        glm::vec2 point;  // (radius, y)
        glm::vec2 normal; // (radial, y)
        float arc;
    };
    std::vector<Ring> rings;
    float arc = 0.0f;
    for (const std::vector<glm::vec2>& run : profile) {
        if (!rings.empty() && !run.empty())
            arc += glm::length(run.front() - rings.back().point);
        for (size_t i = 0; i < run.size(); ++i) {
            glm::vec2 normal(0.0f);
            if (i > 0) {
                const glm::vec2 d = run[i] - run[i - 1];
                normal += glm::normalize(glm::vec2(d.y, -d.x));
                arc += glm::length(d);
            }
            if (i + 1 < run.size()) {
                const glm::vec2 d = run[i + 1] - run[i];
                normal += glm::normalize(glm::vec2(d.y, -d.x));
            }
            rings.push_back({run[i], glm::normalize(normal), arc});
        }
    }

    MeshData mesh;
    const int columns = segments + 1;
    for (const Ring& ring : rings) {
        for (int column = 0; column < columns; ++column) {
            const float u = static_cast<float>(column) / static_cast<float>(segments);
            const float angle = column == segments ? 0.0f : u * twoPi;
            const float s = std::sin(angle), c = std::cos(angle);
            addVertex(mesh, {ring.point.x * s, ring.point.y, ring.point.x * c},
                      {ring.normal.x * s, ring.normal.y, ring.normal.x * c},
                      uvAt(uv, u, arc > 0.0f ? ring.arc / arc : 0.0f));
        }
    }
    for (size_t r = 0; r + 1 < rings.size(); ++r) {
        for (int column = 0; column < segments; ++column) {
            const auto lower = static_cast<unsigned>(r * static_cast<size_t>(columns) + static_cast<size_t>(column));
            const auto upper = lower + static_cast<unsigned>(columns);
            addTriangle(mesh, lower, lower + 1, upper + 1);
            addTriangle(mesh, lower, upper + 1, upper);
        }
    }
    return mesh;
}

void addQuad(MeshData& mesh, const glm::vec3& corner, const glm::vec3& edgeU, const glm::vec3& edgeV,
             const UvRect& uv)
{
    const glm::vec3 normal = glm::normalize(glm::cross(edgeU, edgeV));
    const unsigned a = addVertex(mesh, corner, normal, uvAt(uv, 0, 0));
    const unsigned b = addVertex(mesh, corner + edgeU, normal, uvAt(uv, 1, 0));
    const unsigned c = addVertex(mesh, corner + edgeU + edgeV, normal, uvAt(uv, 1, 1));
    const unsigned d = addVertex(mesh, corner + edgeV, normal, uvAt(uv, 0, 1));
    addTriangle(mesh, a, b, c);
    addTriangle(mesh, a, c, d);
}

void addBox(MeshData& mesh, const glm::vec3& centre, const glm::vec3& halfExtents,
            const std::function<UvRect(const glm::vec3&)>& faceUv, const glm::mat3& axes)
{
    for (int axis = 0; axis < 3; ++axis) {
        const int uAxis = (axis + 1) % 3, vAxis = (axis + 2) % 3;
        for (float side : {1.0f, -1.0f}) {
            const glm::vec3 normal = axes[axis] * side;
            const glm::vec3 edgeU = axes[uAxis] * (2.0f * halfExtents[uAxis]);
            const glm::vec3 edgeV = glm::cross(normal, axes[uAxis]) * (2.0f * halfExtents[vAxis]);
            const glm::vec3 corner = centre + normal * halfExtents[axis] - 0.5f * (edgeU + edgeV);
            addQuad(mesh, corner, edgeU, edgeV, faceUv(normal));
        }
    }
}

void addPlate(MeshData& mesh, const std::vector<glm::vec2>& outline, const glm::vec3& axisA,
              const glm::vec3& axisB, float thickness, const UvRect& uv)
{
    const glm::vec3 a = glm::normalize(axisA), b = glm::normalize(axisB);
    const glm::vec3 normal = glm::normalize(glm::cross(a, b));
    glm::vec2 low = outline.front(), high = outline.front();
    for (const glm::vec2& p : outline) {
        low = glm::min(low, p);
        high = glm::max(high, p);
    }
    const glm::vec2 extent = glm::max(high - low, glm::vec2(1e-6f));
    const glm::vec3 half = normal * (0.5f * thickness);
    auto place = [&](const glm::vec2& p) { return a * p.x + b * p.y; };

    for (float side : {1.0f, -1.0f}) {
        const auto first = static_cast<unsigned>(mesh.positions.size());
        for (const glm::vec2& p : outline) {
            const glm::vec2 t = (p - low) / extent;
            addVertex(mesh, place(p) + half * side, normal * side, uvAt(uv, side > 0 ? t.x : 1.0f - t.x, t.y));
        }
        for (unsigned k = 1; k + 1 < outline.size(); ++k) {
            if (side > 0)
                addTriangle(mesh, first, first + k, first + k + 1);
            else
                addTriangle(mesh, first, first + k + 1, first + k);
        }
    }
    for (size_t k = 0; k < outline.size(); ++k) {
        const glm::vec3 from = place(outline[k]), to = place(outline[(k + 1) % outline.size()]);
        addQuad(mesh, from - half, to - from, 2.0f * half,
                {uv.x, uv.y, uv.x + (uv.z - uv.x) * 0.1f, uv.y + (uv.w - uv.y) * 0.1f});
    }
}

void computeSmoothNormals(MeshData& mesh)
{
    std::map<std::tuple<float, float, float>, size_t> groupOf;
    std::vector<size_t> group(mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const glm::vec3& p = mesh.positions[i];
        group[i] = groupOf.emplace(std::make_tuple(p.x, p.y, p.z), groupOf.size()).first->second;
    }
    std::vector<glm::vec3> sums(groupOf.size(), glm::vec3(0.0f));
    for (const glm::uvec3& t : mesh.triangles) {
        const glm::vec3 weighted = glm::cross(mesh.positions[t.y] - mesh.positions[t.x],
                                              mesh.positions[t.z] - mesh.positions[t.x]);
        for (int k = 0; k < 3; ++k)
            sums[group[t[k]]] += weighted;
    }
    mesh.normals.resize(mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const glm::vec3& sum = sums[group[i]];
        mesh.normals[i] = glm::length(sum) > 0.0f ? glm::normalize(sum) : glm::vec3(0.0f, 1.0f, 0.0f);
    }
}

std::pair<glm::vec3, glm::vec3> bounds(const MeshData& mesh)
{
    glm::vec3 low(INFINITY), high(-INFINITY);
    for (const glm::vec3& p : mesh.positions) {
        low = glm::min(low, p);
        high = glm::max(high, p);
    }
    return {low, high};
}

void fitToSize(MeshData& mesh, float size)
{
    const auto [low, high] = bounds(mesh);
    const glm::vec3 extent = high - low;
    const float largest = std::max(extent.x, std::max(extent.y, extent.z));
    const float scale = largest > 0.0f ? size / largest : 1.0f;
    const glm::vec3 centre = 0.5f * (low + high);
    for (glm::vec3& p : mesh.positions)
        p = (p - centre) * scale;
}

float signedVolume(const MeshData& mesh)
{
    float volume = 0.0f;
    for (const glm::uvec3& t : mesh.triangles)
        volume += glm::dot(mesh.positions[t.x], glm::cross(mesh.positions[t.y], mesh.positions[t.z])) / 6.0f;
    return volume;
}

void flipWinding(MeshData& mesh)
{
    for (glm::uvec3& t : mesh.triangles)
        std::swap(t.y, t.z);
    for (glm::vec3& n : mesh.normals)
        n = -n;
}

void writeObj(std::ostream& out, const MeshData& mesh, const std::string& objectName)
{
    std::string text;
    text.reserve(mesh.positions.size() * 90 + mesh.triangles.size() * 40);
    char line[128];
    text += "# " + objectName + ", written by the orbitview asset tool\no " + objectName + "\n";
    for (const glm::vec3& p : mesh.positions) {
        std::snprintf(line, sizeof line, "v %.6g %.6g %.6g\n", p.x, p.y, p.z);
        text += line;
    }
    for (const glm::vec2& t : mesh.texcoords) {
        std::snprintf(line, sizeof line, "vt %.6g %.6g\n", t.x, t.y);
        text += line;
    }
    for (const glm::vec3& n : mesh.normals) {
        std::snprintf(line, sizeof line, "vn %.6g %.6g %.6g\n", n.x, n.y, n.z);
        text += line;
    }
    const bool textured = !mesh.texcoords.empty();
    for (const glm::uvec3& t : mesh.triangles) {
        const unsigned a = t.x + 1, b = t.y + 1, c = t.z + 1;
        if (textured)
            std::snprintf(line, sizeof line, "f %u/%u/%u %u/%u/%u %u/%u/%u\n", a, a, a, b, b, b, c, c, c);
        else
            std::snprintf(line, sizeof line, "f %u//%u %u//%u %u//%u\n", a, a, b, b, c, c);
        text += line;
    }
    out << text;
}

bool writeObjFile(const std::string& path, const MeshData& mesh, const std::string& objectName, std::string& error)
{
    std::ostringstream text;
    writeObj(text, mesh, objectName);
    return writeFileSafely(path, text.str(), error);
}
