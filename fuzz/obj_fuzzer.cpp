// Fuzzes the OBJ path from the file's bytes through tinyobjloader to the per-shape arrays and
// tangents (readObjFile, no GL), and checks what the upload relies on: whole triangles, every
// index inside its shape's vertices, attribute arrays in step, finite unit tangents.
#include "fuzz_input.h"
#include "scene/obj_loader.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzInputFile input("obj");
    const ObjData obj = readObjFile(input.write(data, size));
    for (const ShapeData& shape : obj.shapes) {
        FUZZ_CHECK(shape.positions.size() % 3 == 0);
        const size_t vertices = shape.positions.size() / 3;
        FUZZ_CHECK(vertices > 0);
        FUZZ_CHECK(!shape.indices.empty() && shape.indices.size() % 3 == 0);
        for (unsigned index : shape.indices)
            FUZZ_CHECK(index < vertices);
        FUZZ_CHECK(shape.texcoords.empty() || shape.texcoords.size() == 2 * vertices);
        FUZZ_CHECK(shape.normals.empty() || shape.normals.size() == 3 * vertices);
        const bool wantsTangents = !shape.texcoords.empty() && !shape.normals.empty();
        FUZZ_CHECK(shape.tangents.size() == (wantsTangents ? vertices : 0));
        for (const glm::vec3& t : shape.tangents) {
            const float length = glm::length(t);
            FUZZ_CHECK(std::isfinite(length) && std::fabs(length - 1.0f) < 1e-3f);
        }
    }
    return 0;
}
