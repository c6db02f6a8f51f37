// The CPU side of OBJ loading (no GL): per-shape vertex building, tangents, degenerate texture
// coordinates, bad indices, and what counts as a read error. Several shapes: gl/obj_loader_test.cpp.
#include "scene/obj_loader.h"
#include "fixture.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>

namespace {

const char* const kQuadVertices = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
const char* const kQuadTexCoords = "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";

void expectUsableTangent(const glm::vec3& t, const glm::vec3& normal)
{
    ASSERT_TRUE(std::isfinite(t.x) && std::isfinite(t.y) && std::isfinite(t.z));
    EXPECT_NEAR(glm::length(t), 1.0f, 1e-5f);
    EXPECT_NEAR(glm::dot(t, glm::normalize(normal)), 0.0f, 1e-5f);
}

TEST(ObjLoaderTest, SharedCornersBecomeOneVertexNumberedInFirstUseOrder)
{
    const std::string path = writeFixtureFile(
        "quad.obj", std::string(kQuadVertices) + kQuadTexCoords + "vn 0 0 1\nf 3/3/1 1/1/1 2/2/1\nf 3/3/1 4/4/1 1/1/1\n");
    const ObjData data = readObjFile(path);
    EXPECT_FALSE(data.readError);
    EXPECT_TRUE(data.messages.empty());
    ASSERT_EQ(data.shapes.size(), 1u);
    const ShapeData& shape = data.shapes[0];
    EXPECT_EQ(shape.indices, (std::vector<unsigned>{0, 1, 2, 0, 3, 1}));
    EXPECT_EQ(shape.positions, (std::vector<float>{1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0}));
    EXPECT_EQ(shape.texcoords, (std::vector<float>{1, 1, 0, 0, 1, 0, 0, 1}));
    EXPECT_EQ(shape.normals.size(), 12u);
    ASSERT_EQ(shape.tangents.size(), 4u);
    for (const glm::vec3& t : shape.tangents)
        expectVec(t, {1, 0, 0});
}

TEST(ObjLoaderTest, PositionSharedAcrossASeamGivesTwoVertices)
{
    const std::string path =
        writeFixtureFile("seam.obj", std::string(kQuadVertices) + kQuadTexCoords + "vt 0.5 0.5\nf 1/1 2/2 3/3\nf 1/5 3/3 4/4\n");
    const ObjData data = readObjFile(path);
    ASSERT_EQ(data.shapes.size(), 1u);
    EXPECT_EQ(data.shapes[0].positions.size(), 5u * 3u);
    EXPECT_EQ(data.shapes[0].indices, (std::vector<unsigned>{0, 1, 2, 3, 2, 4}));
}

TEST(ObjLoaderTest, AttributesPresentFollowTheFile)
{
    struct Case {
        const char* name;
        const char* faces;
        bool texCoords, normals;
    };
    const Case cases[] = {
        {"positions_only.obj", "f 1 2 3\n", false, false},
        {"texcoords_only.obj", "f 1/1 2/2 3/3\n", true, false},
        {"normals_only.obj", "f 1//1 2//1 3//1\n", false, true},
        {"all.obj", "f 1/1/1 2/2/1 3/3/1\n", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ObjData data =
            readObjFile(writeFixtureFile(c.name, std::string(kQuadVertices) + kQuadTexCoords + "vn 0 0 1\n" + c.faces));
        ASSERT_EQ(data.shapes.size(), 1u);
        const ShapeData& shape = data.shapes[0];
        EXPECT_EQ(shape.positions.size(), 9u);
        EXPECT_EQ(shape.texcoords.size(), c.texCoords ? 6u : 0u);
        EXPECT_EQ(shape.normals.size(), c.normals ? 9u : 0u);
        EXPECT_EQ(shape.tangents.size(), c.texCoords && c.normals ? 3u : 0u);
    }
}

TEST(ObjLoaderTest, ZeroAreaTextureCoordinatesGiveFiniteOrthogonalTangents)
{
    const std::string path = writeFixtureFile(
        "degenerate_uv.obj", std::string(kQuadVertices) +
                                 "vt 0.5 0.5\nvt 0 0\nvt 1 1\nvn 0 0 1\nvn 0.6 0 0.8\n"
                                 "f 1/1/1 2/1/1 3/1/1\n"    // all corners share one coordinate
                                 "f 1/2/2 3/3/2 4/3/2\n");  // coordinates on a line
    const ObjData data = readObjFile(path);
    ASSERT_EQ(data.shapes.size(), 1u);
    const ShapeData& shape = data.shapes[0];
    ASSERT_EQ(shape.tangents.size(), shape.normals.size() / 3);
    for (size_t i = 0; i < shape.tangents.size(); ++i) {
        SCOPED_TRACE(i);
        expectUsableTangent(shape.tangents[i], {shape.normals[3 * i], shape.normals[3 * i + 1], shape.normals[3 * i + 2]});
    }
}

TEST(ObjLoaderTest, FaceIndexOutsideItsArraysSkipsOnlyThatShapeWithOneMessage)
{
    struct Case {
        const char* name;
        const char* badFace;
    };
    const Case cases[] = {
        {"position_past_end.obj", "f 1 2 9\n"},
        {"relative_position_before_start.obj", "f -1 -2 -9\n"},
        {"texcoord_past_end.obj", "f 1/1 2/1 3/4\n"},
        {"normal_past_end.obj", "f 1//1 2//1 3//7\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeFixtureFile(
            c.name, std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\no bad\n") + c.badFace + "o good\nf 1 2 3\n");
        const ObjData data = readObjFile(path);
        EXPECT_FALSE(data.readError);
        ASSERT_EQ(data.messages.size(), 1u);
        EXPECT_EQ(data.messages[0], "Skipped shape 0 ('bad') of " + path + ": a face index lies outside its vertex data\n");
        ASSERT_EQ(data.shapes.size(), 1u);
        EXPECT_EQ(data.shapes[0].indices, (std::vector<unsigned>{0, 1, 2}));
    }
}

TEST(ObjLoaderTest, UnreadableFilesAreReadErrorsWithoutShapes)
{
    const std::string quad = std::string(kQuadVertices) + kQuadTexCoords + "vn 0 0 1\nf 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n";
    std::string noise(4096, '\0');
    uint32_t state = 12345u;
    for (char& byte : noise) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    struct Case {
        const char* name;
        std::string content;
    };
    const Case cases[] = {
        {"garbage_text.obj", "this is not a mesh\nfoo bar baz\n{ \"json\": true }\n"},
        {"garbage_bytes.obj", noise},
        {"empty.obj", ""},
        {"truncated_in_face_index.obj", quad.substr(0, quad.size() - 8)},
        {"truncated_before_faces.obj", quad.substr(0, quad.find("vn"))},
        {"zero_index.obj", std::string(kQuadVertices) + "f 0 1 2\n"},
        {"only_malformed_faces.obj", std::string(kQuadVertices) + kQuadTexCoords + "f 1/1 2 3\nf 1 2\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ObjData data = readObjFile(writeFixtureFile(c.name, c.content));
        EXPECT_TRUE(data.readError);
        EXPECT_TRUE(data.shapes.empty());
    }
    const ObjData missing = readObjFile(missingFixtureFile("nothing.obj"));
    EXPECT_TRUE(missing.readError);
    EXPECT_TRUE(missing.shapes.empty());
}

TEST(ObjLoaderTest, MalformedFacesAreReadErrorsThatCostOnlyThemselves)
{
    const std::string head = std::string(kQuadVertices) + kQuadTexCoords + "vn 0 0 1\n";
    const std::string quad = head + "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n";
    struct Case {
        const char* name;
        std::string content;
        std::vector<size_t> indexCounts;  // per shape kept
    };
    const Case cases[] = {
        {"cut_to_mixed_corners.obj", quad.substr(0, quad.size() - 5), {3}},
        {"cut_to_two_corners.obj", quad.substr(0, quad.size() - 7), {3}},
        {"mixed_between_good.obj", head + "f 1/1/1 2/2/1 3/3/1\nf 1/1 3/3/1 4/4/1\nf 1//1 3//1 4//1\n", {6}},
        {"two_corners_then_good.obj", head + "o a\nf 1 2\nf 1 2 3\no b\nf 1 3 4\n", {3, 3}},
        {"bad_shape_then_good.obj", head + "o bad\nf 1/1 2 3\no good\nf 1 2 3\n", {3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ObjData data = readObjFile(writeFixtureFile(c.name, c.content));
        EXPECT_TRUE(data.readError);
        EXPECT_TRUE(data.messages.empty());
        std::vector<size_t> indexCounts;
        for (const ShapeData& shape : data.shapes)
            indexCounts.push_back(shape.indices.size());
        EXPECT_EQ(indexCounts, c.indexCounts);
    }
}

// One triangle with u along +x and v along +y: its raw tangent is (1, 0, 0).
struct Triangle {
    std::vector<glm::vec3> positions{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    std::vector<glm::vec2> texCoords{{0, 0}, {1, 0}, {0, 1}};
    std::vector<glm::vec3> faces{{0, 1, 2}};
};

TEST(ObjLoaderTangentsTest, ProjectionIsComponentWiseNotAlongTheNormal)
{
    const Triangle tri;
    std::vector<glm::vec3> tangents;
    const std::vector<glm::vec3> normals(3, glm::vec3(0.6f, 0.8f, 0.0f));
    computeTangents(tangents, tri.texCoords, tri.positions, tri.faces, normals);
    ASSERT_EQ(tangents.size(), 3u);
    for (const glm::vec3& t : tangents)
        expectVec(t, {1, 0, 0});
}

TEST(ObjLoaderTangentsTest, LastFaceWinsAndUnusedVerticesStayZero)
{
    // Face 0 has u along +x; face 1 shares vertex 0 and has u along +y; vertex 5 is unused.
    const std::vector<glm::vec3> positions{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}, {-1, 0, 0}, {9, 9, 9}};
    const std::vector<glm::vec2> texCoords{{0, 0}, {1, 0}, {0, 1}, {1, 0}, {0, 1}, {0, 0}};
    const std::vector<glm::vec3> faces{{0, 1, 2}, {0, 3, 4}};
    std::vector<glm::vec3> tangents;
    computeTangents(tangents, texCoords, positions, faces, std::vector<glm::vec3>(6, glm::vec3(0, 0, 1)));
    ASSERT_EQ(tangents.size(), 6u);
    expectVec(tangents[0], {0, 1, 0});
    expectVec(tangents[1], {1, 0, 0});
    expectVec(tangents[2], {1, 0, 0});
    expectVec(tangents[3], {0, 1, 0});
    expectVec(tangents[4], {0, 1, 0});
    EXPECT_EQ(tangents[5], glm::vec3(0.0f));
}

TEST(ObjLoaderTangentsTest, DegenerateInputsStayFinite)
{
    const Triangle tri;
    std::vector<glm::vec3> tangents;
    // Raw tangent along the normal: the component-wise projection leaves nothing to normalise.
    computeTangents(tangents, tri.texCoords, tri.positions, tri.faces, std::vector<glm::vec3>(3, glm::vec3(1, 0, 0)));
    for (const glm::vec3& t : tangents)
        expectUsableTangent(t, {1, 0, 0});

    // Every vertex at one point and one texture coordinate: no edge and no area to work from.
    tangents.clear();
    computeTangents(tangents, std::vector<glm::vec2>(3, glm::vec2(0.5f)), std::vector<glm::vec3>(3, glm::vec3(2.0f)),
                    tri.faces, std::vector<glm::vec3>(3, glm::vec3(0, 1, 0)));
    for (const glm::vec3& t : tangents)
        expectUsableTangent(t, {0, 1, 0});

    // A face naming a vertex that does not exist is left out rather than read past the lists.
    tangents.clear();
    computeTangents(tangents, tri.texCoords, tri.positions, {{0, 1, 7}, {-1, 0, 1}},
                    std::vector<glm::vec3>(3, glm::vec3(0, 0, 1)));
    EXPECT_EQ(tangents, std::vector<glm::vec3>(3, glm::vec3(0.0f)));
}

}  // namespace
