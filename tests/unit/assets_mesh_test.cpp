// The asset tool's mesh generators and OBJ writer: seams, winding against normals, closed volumes,
// and the scene's models kept within the sizes the scene scales them by.
#include "tools/assets/bunny.h"
#include "tools/assets/mesh.h"
#include "tools/assets/models.h"

#include <cmath>
#include <glm/geometric.hpp>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

constexpr float pi = 3.14159265359f;

glm::vec3 faceNormal(const MeshData& mesh, const glm::uvec3& t)
{
    return glm::cross(mesh.positions[t.y] - mesh.positions[t.x], mesh.positions[t.z] - mesh.positions[t.x]);
}

// Every index in range, no degenerate triangle, unit normals, texture coordinates finite and one
// per vertex, and each triangle wound counter-clockwise around the normals of its corners.
void expectWellFormed(const MeshData& mesh, const std::string& name)
{
    SCOPED_TRACE(name);
    ASSERT_EQ(mesh.normals.size(), mesh.positions.size());
    if (!mesh.texcoords.empty()) {
        ASSERT_EQ(mesh.texcoords.size(), mesh.positions.size());
    }
    int badNormals = 0, badWinding = 0, degenerate = 0, badUv = 0;
    for (const glm::vec3& n : mesh.normals)
        badNormals += std::fabs(glm::length(n) - 1.0f) > 1e-4f;
    for (const glm::vec2& t : mesh.texcoords)
        badUv += !std::isfinite(t.x) || !std::isfinite(t.y);
    for (const glm::uvec3& t : mesh.triangles) {
        ASSERT_LT(std::max(t.x, std::max(t.y, t.z)), mesh.positions.size());
        const glm::vec3 n = faceNormal(mesh, t);
        degenerate += glm::length(n) <= 0.0f;
        badWinding += glm::dot(n, mesh.normals[t.x] + mesh.normals[t.y] + mesh.normals[t.z]) <= 0.0f;
    }
    EXPECT_EQ(badNormals, 0);
    EXPECT_EQ(badUv, 0);
    EXPECT_EQ(degenerate, 0);
    EXPECT_EQ(badWinding, 0);
    EXPECT_GT(signedVolume(mesh), 0.0f);
}

float largestExtent(const MeshData& mesh)
{
    const auto [low, high] = bounds(mesh);
    const glm::vec3 e = high - low;
    return std::max(e.x, std::max(e.y, e.z));
}

TEST(AssetsMeshTest, UvSphereSeamColumnRepeatsColumnZeroBitForBit)
{
    constexpr int slices = 24, stacks = 12;
    const MeshData sphere = uvSphere(slices, stacks);
    ASSERT_EQ(sphere.positions.size(), static_cast<size_t>((slices + 1) * (stacks + 1)));
    for (int row = 1; row < stacks; ++row) {
        const size_t first = static_cast<size_t>(row * (slices + 1));
        EXPECT_EQ(sphere.positions[first + slices], sphere.positions[first]) << "row " << row;
        EXPECT_EQ(sphere.texcoords[first].x, 0.0f);
        EXPECT_EQ(sphere.texcoords[first + slices].x, 1.0f);
    }
    for (const glm::vec3& p : sphere.positions)
        EXPECT_NEAR(glm::length(p), 1.0f, 1e-5f);
    EXPECT_EQ(sphere.triangles.size(), static_cast<size_t>(2 * slices * (stacks - 1)));
    expectWellFormed(sphere, "sphere");
    EXPECT_NEAR(signedVolume(sphere), 4.0f / 3.0f * pi, 0.05f * 4.0f / 3.0f * pi);
}

TEST(AssetsMeshTest, UvSphereTextureGrowsEastwardAndNorthward)
{
    const MeshData sphere = uvSphere(8, 4);
    // Row 2 is the equator; column 0 faces +Z, and u grows towards +X (to the right seen from +Z).
    EXPECT_NEAR(sphere.positions[2 * 9].z, 1.0f, 1e-6f);
    EXPECT_GT(sphere.positions[2 * 9 + 1].x, 0.0f);
    EXPECT_EQ(sphere.positions[0], glm::vec3(0, 1, 0));
    EXPECT_EQ(sphere.texcoords[0].y, 1.0f);
}

TEST(AssetsMeshTest, SmoothNormalsAgreeAcrossTheSeam)
{
    MeshData lumpy = uvSphere(16, 8);
    for (glm::vec3& p : lumpy.positions)
        p *= 1.0f + 0.2f * p.x * p.y;
    computeSmoothNormals(lumpy);
    for (int row = 1; row < 8; ++row)
        EXPECT_EQ(lumpy.normals[static_cast<size_t>(row * 17)], lumpy.normals[static_cast<size_t>(row * 17 + 16)]);
    expectWellFormed(lumpy, "lumpy sphere");
}

TEST(AssetsMeshTest, LatheAndBoxesEncloseTheirVolumesFacingOut)
{
    // A closed cylinder: bottom disc outwards from the axis, up the side, top disc inwards.
    const MeshData cylinder = lathe({{{0.0f, 0.0f}, {1.0f, 0.0f}}, {{1.0f, 0.0f}, {1.0f, 2.0f}},
                                     {{1.0f, 2.0f}, {0.0f, 2.0f}}}, 64);
    expectWellFormed(cylinder, "cylinder");
    EXPECT_NEAR(signedVolume(cylinder), 2.0f * pi, 0.02f);

    MeshData box;
    const glm::mat3 turned(glm::vec3(0, 0, -1), glm::vec3(0, 1, 0), glm::vec3(1, 0, 0));
    addBox(box, {1, 2, 3}, {0.5f, 1.0f, 1.5f}, [](const glm::vec3&) { return fullUv; }, turned);
    expectWellFormed(box, "box");
    EXPECT_NEAR(signedVolume(box), 6.0f, 1e-4f);

    MeshData plate;
    addPlate(plate, {{0, 0}, {2, 0}, {2, 1}, {0, 1}}, {1, 0, 0}, {0, 0, 1}, 0.5f, fullUv);
    expectWellFormed(plate, "plate");
    EXPECT_NEAR(signedVolume(plate), 1.0f, 1e-4f);
}

TEST(AssetsMeshTest, SceneModelsAreWellFormedAndSizedForTheirScale)
{
    const MeshData rocket = rocketMesh();
    expectWellFormed(rocket, "rocket");
    const auto [low, high] = bounds(rocket);
    EXPECT_NEAR(low.y, 0.25f, 1e-5f); // the exhaust leaves here
    EXPECT_NEAR(high.y, 1.6f, 1e-5f);

    const MeshData asteroid = asteroidMesh(), probe = probeMesh(), phobos = phobosMesh();
    expectWellFormed(asteroid, "asteroid");
    expectWellFormed(probe, "probe");
    expectWellFormed(phobos, "phobos");
    EXPECT_GT(largestExtent(asteroid), 4.0f);
    EXPECT_LT(largestExtent(asteroid), 9.0f);
    EXPECT_GT(largestExtent(phobos), 6.0f);
    EXPECT_LT(largestExtent(phobos), 10.0f);
    EXPECT_GT(largestExtent(probe), 3.0f);
    EXPECT_LT(largestExtent(probe), 9.0f);
    for (const MeshData* mesh : {&rocket, &asteroid, &probe, &phobos})
        EXPECT_LT(mesh->triangles.size(), 10000u);
}

TEST(AssetsMeshTest, ObjTextIndexesFromOneWithTextureOnlyWhenPresent)
{
    MeshData quad;
    addQuad(quad, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, fullUv);
    std::ostringstream textured;
    writeObj(textured, quad, "quad");
    EXPECT_NE(textured.str().find("\no quad\n"), std::string::npos);
    EXPECT_NE(textured.str().find("\nvt 1 1\n"), std::string::npos);
    EXPECT_NE(textured.str().find("\nf 1/1/1 2/2/2 3/3/3\nf 1/1/1 3/3/3 4/4/4\n"), std::string::npos);

    quad.texcoords.clear();
    std::ostringstream plain;
    writeObj(plain, quad, "quad");
    EXPECT_EQ(plain.str().find("vt "), std::string::npos);
    EXPECT_NE(plain.str().find("\nf 1//1 2//2 3//3\n"), std::string::npos);
}

TEST(AssetsBunnyTest, ReadsThePackageArrays)
{
    MeshData mesh;
    std::string error;
    ASSERT_TRUE(parseBunnyScript("exports.positions=[[0,0,0],[1,0,0],[0,1,0],[0,0,1.5e0]];\n"
                                 "exports.cells=[[0,2,1],[0,1,3],[0,3,2],[1,2,3]]",
                                 mesh, error));
    EXPECT_EQ(mesh.positions.size(), 4u);
    EXPECT_EQ(mesh.positions[3], glm::vec3(0, 0, 1.5f));
    ASSERT_EQ(mesh.triangles.size(), 4u);
    EXPECT_EQ(mesh.triangles[3], glm::uvec3(1, 2, 3));
}

TEST(AssetsBunnyTest, RejectsBrokenScriptsAndKeepsTheMesh)
{
    const char* broken[] = {
        "",
        "exports.positions=[[0,0,0]]",
        "exports.positions=[[0,0,0],[1,0,0],[0,1,0]];exports.cells=[[0,1,3]]",
        "exports.positions=[[0,0,0],[1,0,0],[0,1,0]];exports.cells=[[0,1,-1]]",
        "exports.positions=[[0,0,0],[1,0,0],[0,1,0]];exports.cells=[[0,1,2]",
        "exports.positions=[[0,0,x],[1,0,0],[0,1,0]];exports.cells=[[0,1,2]]",
        "exports.positions=[[0,0,0],[1,0,0],[0,1,0]];exports.cells=[]",
    };
    for (const char* text : broken) {
        MeshData mesh = uvSphere(4, 2);
        std::string error;
        EXPECT_FALSE(parseBunnyScript(text, mesh, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_EQ(mesh.positions.size(), 15u) << text;
    }
}

TEST(AssetsBunnyTest, PreparationTurnsInwardWindingOutAndFitsTheSize)
{
    MeshData mesh;
    std::string error;
    ASSERT_TRUE(parseBunnyScript("positions=[[0,0,0],[1,0,0],[0,1,0],[0,0,1]] cells=[[0,1,2],[0,3,1],[0,2,3],[1,3,2]]",
                                 mesh, error));
    ASSERT_LT(signedVolume(mesh), 0.0f);
    prepareBunny(mesh, 3.0f);
    EXPECT_TRUE(mesh.texcoords.empty());
    EXPECT_NEAR(largestExtent(mesh), 3.0f, 1e-5f);
    const auto [low, high] = bounds(mesh);
    EXPECT_NEAR(glm::length(low + high), 0.0f, 1e-5f);
    expectWellFormed(mesh, "tetrahedron");

    MeshData standIn = bunnyStandIn();
    prepareBunny(standIn, 3.0f);
    expectWellFormed(standIn, "stand-in");
}

} // namespace
