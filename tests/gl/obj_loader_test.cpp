// OBJ loading on real GL: the vertex layouts as the vertex array records them, several shapes,
// tangent buffers, the console lines of unreadable and bad files, and release of every GL object.
#include "gl_fixture.h"
#include "scene/obj_loader.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace {

const char* const kTriangleData = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\n";

std::unique_ptr<MeshObject> quietMesh(const std::string& path)
{
    std::unique_ptr<MeshObject> mesh;
    printedBy([&] { mesh.reset(createMesh(path)); });
    return mesh;
}

GLint attribute(GLuint location, GLenum parameter)
{
    GLint value = 0;
    glGetVertexAttribiv(location, parameter, &value);
    return value;
}

GLint bufferSize(GLuint buffer)
{
    GLint size = 0;
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return size;
}

std::vector<glm::vec3> readVec3Buffer(GLuint buffer)
{
    std::vector<glm::vec3> out(static_cast<size_t>(bufferSize(buffer)) / sizeof(glm::vec3));
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(out.size() * sizeof(glm::vec3)), out.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return out;
}

class ObjLoaderGlTest : public ::testing::Test {
protected:
    void SetUp() override { drainGlErrors(); }
    void TearDown() override { EXPECT_EQ(drainGlErrors(), 0); }
};

TEST_F(ObjLoaderGlTest, VertexArrayEnablesExactlyTheAttributesTheShapeHas)
{
    struct Case {
        const char* name;
        const char* face;
        bool texCoords, normals;
    };
    const Case cases[] = {
        {"layout_positions.obj", "f 1 2 3\n", false, false},
        {"layout_texcoords.obj", "f 1/1 2/2 3/3\n", true, false},
        {"layout_normals.obj", "f 1//1 2//1 3//1\n", false, true},
        {"layout_all.obj", "f 1/1/1 2/2/1 3/3/1\n", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto mesh = quietMesh(writeFixtureFile(c.name, std::string(kTriangleData) + c.face));
        ASSERT_EQ(mesh->submeshes.size(), 1u);
        const SubmeshBuffers s = mesh->getSubmeshes()[0];
        const bool tangents = c.texCoords && c.normals;
        EXPECT_EQ(s.indexCount, 3u);
        EXPECT_EQ(s.texCoordBuffer != 0, c.texCoords);
        EXPECT_EQ(s.normalBuffer != 0, c.normals);
        EXPECT_EQ(s.tangentBuffer != 0, tangents);

        glBindVertexArray(s.vertexArray);
        const bool enabled[4] = {true, c.texCoords, c.normals, tangents};
        const GLuint buffers[4] = {s.positionBuffer, s.texCoordBuffer, s.normalBuffer, s.tangentBuffer};
        const GLint components[4] = {3, 2, 3, 3};
        for (GLuint location = 0; location < 4; ++location) {
            SCOPED_TRACE(location);
            EXPECT_EQ(attribute(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED) == GL_TRUE, enabled[location]);
            if (!enabled[location])
                continue;
            EXPECT_EQ(attribute(location, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING), static_cast<GLint>(buffers[location]));
            EXPECT_EQ(attribute(location, GL_VERTEX_ATTRIB_ARRAY_SIZE), components[location]);
            EXPECT_EQ(attribute(location, GL_VERTEX_ATTRIB_ARRAY_TYPE), GL_FLOAT);
            EXPECT_EQ(attribute(location, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED), GL_FALSE);
            EXPECT_EQ(attribute(location, GL_VERTEX_ATTRIB_ARRAY_STRIDE), 0);
            EXPECT_EQ(bufferSize(buffers[location]), 3 * components[location] * 4);
        }
        GLint elements = 0;
        glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elements);
        EXPECT_EQ(elements, static_cast<GLint>(s.indexBuffer));
        glBindVertexArray(0);
    }
}

TEST_F(ObjLoaderGlTest, TwoShapesKeepTheirOwnBuffersAndOneCpuCopyInFileOrder)
{
    // The second shape has its u along +y, so its tangents are (0, 1, 0).
    const std::string path = writeFixtureFile(
        "two_shapes_gl.obj", std::string("o first\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                         "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
                                         "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n"
                                         "o second\nv 0 0 5\nv 0 1 5\nv 1 0 5\nvt 0 0\nvt 1 0\nvt 0 1\n"
                                         "f 5/5/1 6/6/1 7/7/1\n"));
    const auto mesh = quietMesh(path);
    ASSERT_EQ(mesh->submeshes.size(), 2u);
    EXPECT_EQ(mesh->submeshes[0].indexCount, 6u);
    EXPECT_EQ(mesh->submeshes[1].indexCount, 3u);
    EXPECT_EQ(bufferSize(mesh->submeshes[1].positionBuffer), 3 * 3 * 4);

    ASSERT_EQ(mesh->positions.size(), 7u);
    EXPECT_EQ(mesh->texCoords.size(), 7u);
    EXPECT_EQ(mesh->normals.size(), 7u);
    EXPECT_EQ(mesh->positions[4], glm::vec3(0, 0, 5));
    EXPECT_EQ(mesh->faces, (std::vector<glm::vec3>{{0, 1, 2}, {0, 2, 3}, {4, 5, 6}}));

    const std::vector<glm::vec3> first = readVec3Buffer(mesh->submeshes[0].tangentBuffer);
    const std::vector<glm::vec3> second = readVec3Buffer(mesh->submeshes[1].tangentBuffer);
    ASSERT_EQ(first.size(), 4u);
    ASSERT_EQ(second.size(), 3u);
    for (const glm::vec3& t : first)
        expectVec(t, {1, 0, 0});
    for (const glm::vec3& t : second)
        expectVec(t, {0, 1, 0});
}

TEST_F(ObjLoaderGlTest, ZeroAreaTextureCoordinatesUploadFiniteTangents)
{
    const auto mesh = quietMesh(writeFixtureFile("flat_uv.obj", std::string(kTriangleData) + "f 1/1/1 2/1/1 3/1/1\n"));
    ASSERT_EQ(mesh->submeshes.size(), 1u);
    const std::vector<glm::vec3> tangents = readVec3Buffer(mesh->submeshes[0].tangentBuffer);
    ASSERT_EQ(tangents.size(), 3u);
    for (const glm::vec3& t : tangents) {
        ASSERT_TRUE(std::isfinite(t.x) && std::isfinite(t.y) && std::isfinite(t.z));
        EXPECT_NEAR(glm::length(t), 1.0f, 1e-5f);
        EXPECT_NEAR(t.z, 0.0f, 1e-5f);
    }
}

TEST_F(ObjLoaderGlTest, UnreadableFilesPrintTheErrorLineAndGiveNoSubmeshes)
{
    const std::string quad = std::string(kTriangleData) + "f 1/1/1 2/2/1 3/3/1\n";
    const std::string files[] = {
        writeFixtureFile("garbage_gl.obj", "\x7f" "ELF\x02\x01 not a mesh\nrandom words here\n"),
        writeFixtureFile("truncated_gl.obj", quad.substr(0, quad.size() - 5)),
        missingFixtureFile("gone.obj"),
    };
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        std::unique_ptr<MeshObject> mesh;
        EXPECT_EQ(printedBy([&] { mesh.reset(createMesh(path)); }),
                  "Loading OBJ file " + path + "...\nERROR! Loading file " + path + "...\n...done\n");
        EXPECT_TRUE(mesh->getSubmeshes().empty());
        EXPECT_TRUE(mesh->positions.empty());
        EXPECT_TRUE(mesh->faces.empty());
    }
}

TEST_F(ObjLoaderGlTest, FaceIndexOutOfRangeSkipsTheShapeWithOneLine)
{
    const std::string path =
        writeFixtureFile("out_of_range_gl.obj", std::string(kTriangleData) + "o bad\nf 1 2 40\no good\nf 1/1/1 2/2/1 3/3/1\n");
    std::unique_ptr<MeshObject> mesh;
    EXPECT_EQ(printedBy([&] { mesh.reset(createMesh(path)); }),
              "Loading OBJ file " + path + "...\nSkipped shape 0 ('bad') of " + path +
                  ": a face index lies outside its vertex data\n...done\n");
    ASSERT_EQ(mesh->submeshes.size(), 1u);
    EXPECT_EQ(mesh->submeshes[0].indexCount, 3u);
    EXPECT_EQ(mesh->positions.size(), 3u);
}

TEST_F(ObjLoaderGlTest, MissingDiffuseImagePrintsOneSoilLineAndLeavesNameZero)
{
    const std::string obj = writeFixtureFile("textured.obj", std::string(kTriangleData) + "f 1/1/1 2/2/1 3/3/1\n");
    std::unique_ptr<MeshObject> mesh;
    EXPECT_EQ(printedBy([&] { mesh.reset(createMesh(obj, missingFixtureFile("diffuse.png"))); }),
              "Loading OBJ file " + obj + "...\n...done\nSOIL loading error: 'Unable to open file'\n");
    EXPECT_EQ(mesh->diffuseTexture, 0u);
    EXPECT_EQ(mesh->submeshes.size(), 1u);
}

TEST_F(ObjLoaderGlTest, ReloadAndDestructionReleaseEveryGlObject)
{
    const std::string obj = writeFixtureFile("release.obj", std::string(kTriangleData) + "f 1/1/1 2/2/1 3/3/1\n");
    const std::string image = writePngFixture("release.png", 2, 2, 3, std::vector<unsigned char>(12, 90));
    MeshObject* mesh = nullptr;
    printedBy([&] { mesh = createMesh(obj, image, image); });
    ASSERT_NE(mesh->diffuseTexture, 0u);
    ASSERT_NE(mesh->normalMapTexture, 0u);

    auto buffersOf = [](const SubmeshBuffers& s) {
        return std::vector<GLuint>{s.indexBuffer, s.positionBuffer, s.texCoordBuffer, s.normalBuffer, s.tangentBuffer};
    };
    auto expectAlive = [&](const SubmeshBuffers& s, bool alive) {
        for (GLuint buffer : buffersOf(s))
            EXPECT_EQ(glIsBuffer(buffer) == GL_TRUE, alive) << "buffer " << buffer;
        EXPECT_EQ(glIsVertexArray(s.vertexArray) == GL_TRUE, alive);
    };
    const SubmeshBuffers first = mesh->submeshes.at(0);
    expectAlive(first, true);

    printedBy([&] { loadObj(obj, *mesh); });
    ASSERT_EQ(mesh->submeshes.size(), 1u);
    const SubmeshBuffers second = mesh->submeshes[0];
    expectAlive(second, true);
    // GL may hand freed names out again; every name of the first load not reused must be gone.
    const std::vector<GLuint> reused = buffersOf(second);
    for (GLuint buffer : buffersOf(first)) {
        if (std::find(reused.begin(), reused.end(), buffer) == reused.end()) {
            EXPECT_EQ(glIsBuffer(buffer), GL_FALSE) << "buffer " << buffer;
        }
    }
    if (first.vertexArray != second.vertexArray) {
        EXPECT_EQ(glIsVertexArray(first.vertexArray), GL_FALSE);
    }

    const GLuint diffuse = mesh->diffuseTexture;
    const GLuint normalMap = mesh->normalMapTexture;
    delete mesh;
    expectAlive(second, false);
    EXPECT_EQ(glIsTexture(diffuse), GL_FALSE);
    EXPECT_EQ(glIsTexture(normalMap), GL_FALSE);
}

}  // namespace
