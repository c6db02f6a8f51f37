// Bunny mesh from the npm package's arrays, or the procedural stand-in (see bunny.h).
#include "tools/assets/bunny.h"

#include <cstdlib>
#include <glm/gtc/matrix_transform.hpp>

namespace {

// Reads every number inside the bracketed array that follows `name` (nested brackets included).
bool readNumberArray(const std::string& text, const std::string& name, std::vector<double>& numbers)
{
    const size_t at = text.find(name);
    if (at == std::string::npos)
        return false;
    const size_t open = text.find('[', at + name.size());
    if (open == std::string::npos)
        return false;
    int depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '[') {
            ++depth;
        } else if (c == ']') {
            if (--depth == 0)
                return true;
        } else if (c == '-' || c == '.' || (c >= '0' && c <= '9')) {
            char* end = nullptr;
            numbers.push_back(std::strtod(text.c_str() + i, &end));
            i = static_cast<size_t>(end - text.c_str()) - 1;
        } else if (c != ',' && c != ' ' && c != '\n' && c != '\r' && c != '\t') {
            return false;
        }
    }
    return false;
}

} // namespace

bool parseBunnyScript(const std::string& text, MeshData& mesh, std::string& error)
{
    std::vector<double> positions, cells;
    if (!readNumberArray(text, "positions", positions) || positions.size() % 3 != 0) {
        error = "no readable positions array";
        return false;
    }
    if (!readNumberArray(text, "cells", cells) || cells.size() % 3 != 0) {
        error = "no readable cells array";
        return false;
    }
    const size_t vertexCount = positions.size() / 3;
    MeshData result;
    for (size_t i = 0; i < vertexCount; ++i)
        result.positions.emplace_back(positions[3 * i], positions[3 * i + 1], positions[3 * i + 2]);
    for (size_t i = 0; i < cells.size(); i += 3) {
        glm::uvec3 t;
        for (int k = 0; k < 3; ++k) {
            const double index = cells[i + static_cast<size_t>(k)];
            if (index < 0 || index >= static_cast<double>(vertexCount) || index != static_cast<double>(static_cast<long>(index))) {
                error = "a cell refers to a vertex that does not exist";
                return false;
            }
            t[k] = static_cast<unsigned>(index);
        }
        result.triangles.push_back(t);
    }
    if (result.triangles.empty()) {
        error = "no triangles";
        return false;
    }
    mesh = std::move(result);
    return true;
}

MeshData bunnyStandIn()
{
    struct Blob {
        glm::vec3 centre, radii;
        float tilt; // degrees about +Z
    };
    const Blob blobs[] = {
        {{0.0f, 0.0f, 0.0f}, {1.0f, 0.8f, 0.75f}, 0.0f},      // body
        {{0.95f, 0.65f, 0.0f}, {0.5f, 0.45f, 0.42f}, 0.0f},   // head
        {{0.8f, 1.35f, 0.18f}, {0.14f, 0.5f, 0.08f}, 18.0f},  // ears
        {{0.8f, 1.35f, -0.18f}, {0.14f, 0.5f, 0.08f}, 18.0f},
        {{-1.0f, 0.15f, 0.0f}, {0.22f, 0.22f, 0.22f}, 0.0f},  // tail
        {{0.55f, -0.65f, 0.35f}, {0.35f, 0.18f, 0.2f}, 0.0f}, // feet
        {{0.55f, -0.65f, -0.35f}, {0.35f, 0.18f, 0.2f}, 0.0f},
    };
    MeshData mesh;
    for (const Blob& blob : blobs) {
        MeshData part = uvSphere(32, 16);
        glm::mat4 transform = glm::translate(glm::mat4(1.0f), blob.centre);
        transform = glm::rotate(transform, glm::radians(blob.tilt), glm::vec3(0, 0, 1));
        transformMesh(part, glm::scale(transform, blob.radii));
        appendMesh(mesh, part);
    }
    return mesh;
}

void prepareBunny(MeshData& mesh, float size)
{
    mesh.texcoords.clear();
    fitToSize(mesh, size);
    computeSmoothNormals(mesh);
    if (signedVolume(mesh) < 0.0f)
        flipWinding(mesh);
}
