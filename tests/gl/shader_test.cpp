// Shader compilation against the real driver: compileStage and the status texts, loadShaders'
// console report captured and compared exactly (success, missing files, empty source), the
// source text it builds and the line numbers of its logs, and ProgramHandle's setters read back
// from a linked program.
#include "gl_fixture.h"
#include "resources/shader.h"
#include "resources/shader_program.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {

const char* const kVertexSource = R"(#version 150
// position: object space, used unchanged as clip space
uniform mat4 transform;
in vec3 position;
void main() { gl_Position = transform * vec4(position, 1.0); }
)";

const char* const kFragmentSource = R"(#version 150
// Reads every uniform once so that the linker keeps them all.
uniform samplerCube sky;
uniform sampler2D image;
uniform float weights[3];
uniform int mode;
uniform vec2 offsets[2];
uniform vec3 tint;
uniform vec4 fade;
out vec4 colour;
void main()
{
    colour = texture(sky, tint) + texture(image, offsets[0] + offsets[1])
           + vec4(weights[0] + weights[1] + weights[2] + float(mode)) + fade;
}
)";

const char* const kOpenFailure = "Impossible to open %s. Are you in the right directory ? Don't forget to read the FAQ !\n";

class ShaderTest : public ::testing::Test {
protected:
    void SetUp() override { drainGlErrors(); }
    void TearDown() override
    {
        handle.release();
        EXPECT_EQ(drainGlErrors(), 0);
    }

    // Runs loadShaders and returns what it printed.
    std::string load(const std::string& vertexPath, const std::string& fragmentPath)
    {
        testing::internal::CaptureStdout();
        loadShaders(handle, vertexPath.c_str(), fragmentPath.c_str());
        std::fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }

    // The shader of the given type still attached to the handle's program.
    GLuint attached(GLenum type) const
    {
        GLuint shaders[2] = {0, 0};
        GLsizei count = 0;
        glGetAttachedShaders(handle.name, 2, &count, shaders);
        for (GLsizei i = 0; i < count; ++i) {
            GLint shaderType = 0;
            glGetShaderiv(shaders[i], GL_SHADER_TYPE, &shaderType);
            if (static_cast<GLenum>(shaderType) == type)
                return shaders[i];
        }
        return 0;
    }

    // The report loadShaders must have printed, from the objects it left attached.
    std::string expectedReport(const std::string& vertexPath, const std::string& fragmentPath) const
    {
        const auto logLines = [](const std::string& log) { return log.empty() ? log : log + "\n"; };
        const GLuint vertex = attached(GL_VERTEX_SHADER);
        const GLuint fragment = attached(GL_FRAGMENT_SHADER);
        return "Compiling shader : " + vertexPath + " - " + std::to_string(vertex) + "\n" + logLines(shaderLog(vertex)) +
               "Compiling shader : " + fragmentPath + " - " + std::to_string(fragment) + "\n" +
               logLines(shaderLog(fragment)) + "Linking program - " + std::to_string(handle.name) + "\n" +
               logLines(programLog(handle.name));
    }

    static bool compiled(GLuint shader)
    {
        GLint ok = 0;
        glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
        return ok != 0;
    }

    ScratchDirectory scratch;
    ProgramHandle handle;
};

TEST_F(ShaderTest, CompileStageAndStatusTexts)
{
    const GLuint good = compileStage(Vertex, kVertexSource);
    ASSERT_NE(good, 0u);
    EXPECT_EQ(shaderStatusText(good), "");

    const GLuint bad = compileStage(Fragment, "#version 150\nvoid main() { broken }\n");
    ASSERT_NE(bad, 0u);
    const std::string log = shaderLog(bad);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(shaderStatusText(bad), "Shader error ocurred\n" + log + "\n");

    const GLuint program = glCreateProgram();
    glAttachShader(program, good);
    glAttachShader(program, bad);
    glLinkProgram(program);
    const std::string linkLog = programLog(program);
    EXPECT_EQ(programStatusText(program), "Program error ocurred\n" + (linkLog.empty() ? "" : linkLog + "\n"));
    glDeleteProgram(program);
    glDeleteShader(good);
    glDeleteShader(bad);

    EXPECT_EQ(compileStage(7, kVertexSource), 0u);
    EXPECT_EQ(compileStage(-1, kVertexSource), 0u);
    EXPECT_EQ(shaderTypeOf(TessControl), static_cast<GLenum>(GL_TESS_CONTROL_SHADER));
    EXPECT_EQ(shaderTypeOf(TessEvaluation), static_cast<GLenum>(GL_TESS_EVALUATION_SHADER));
    EXPECT_EQ(shaderTypeOf(Geometry), static_cast<GLenum>(GL_GEOMETRY_SHADER));
}

TEST_F(ShaderTest, LoadShadersReportsEachStepAndLinks)
{
    writeFile("plain.vert", kVertexSource);
    writeFile("plain.frag", kFragmentSource);
    const std::string printed = load("plain.vert", "plain.frag");
    ASSERT_NE(handle.name, 0u);
    EXPECT_EQ(printed, expectedReport("plain.vert", "plain.frag"));
    EXPECT_EQ(programStatusText(handle.name), "");

    // Both shader objects are already flagged for deletion; they go with the program.
    for (GLenum type : {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER}) {
        GLint deleted = 0;
        glGetShaderiv(attached(type), GL_DELETE_STATUS, &deleted);
        EXPECT_TRUE(deleted) << type;
    }
    const LiveGlObjects before = liveGlObjects();
    handle.release();
    handle.release();
    const LiveGlObjects after = liveGlObjects();
    EXPECT_EQ(after.programs, before.programs - 1);
    EXPECT_EQ(after.shaders, before.shaders - 2);
}

// Regression for sources with lines longer than any fixed line buffer.
TEST_F(ShaderTest, SourceIsEveryLineFollowedByANewlineWhateverItsLength)
{
    const std::string longComment = "// " + std::string(20000, 'x');
    writeFile("long.vert", "#version 150\n" + longComment + "\n\nvoid main() { gl_Position = vec4(0.0); }\n");
    writeFile("plain.frag", kFragmentSource);
    load("long.vert", "plain.frag");
    const GLuint vertex = attached(GL_VERTEX_SHADER);
    ASSERT_NE(vertex, 0u);
    EXPECT_TRUE(compiled(vertex));
    GLint length = 0;
    glGetShaderiv(vertex, GL_SHADER_SOURCE_LENGTH, &length);
    std::vector<GLchar> source(static_cast<size_t>(length) + 1, 0);
    glGetShaderSource(vertex, length, nullptr, source.data());
    EXPECT_EQ(std::string(source.data()),
              "#version 150\n" + longComment + "\n\nvoid main() { gl_Position = vec4(0.0); }\n");
}

// Regression: a newline put before the first line made every line of the start-up logs one too
// high, so the same error read 0:5 on standard output and 0:4 in the reload report.
TEST_F(ShaderTest, LogsOfBothBuildsNameTheFileLine)
{
    writeFile("plain.vert", kVertexSource);
    writeFile("broken.frag", "#version 150\nout vec4 colour;\nvoid main()\n{ colour = vec4(1.0) }\n");
    const std::string printed = load("plain.vert", "broken.frag");
    EXPECT_NE(printed.find("0:4("), std::string::npos) << printed;
    EXPECT_EQ(printed.find("0:5("), std::string::npos) << printed;

    ShaderProgram program({{Vertex, AssetShader("plain.vert")}, {Fragment, AssetShader("broken.frag")}});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(program.rebuild());
    const std::string report = testing::internal::GetCapturedStderr();
    const std::string log = shaderLog(attached(GL_FRAGMENT_SHADER));
    ASSERT_NE(log.find("0:4("), std::string::npos) << log;
    EXPECT_NE(report.find(log.substr(0, log.find('\n'))), std::string::npos) << report;
}

TEST_F(ShaderTest, MissingVertexFilePrintsOneLineAndLeavesNothing)
{
    writeFile("plain.frag", kFragmentSource);
    const LiveGlObjects before = liveGlObjects();
    const std::string printed = load("absent.vert", "plain.frag");
    char expected[256];
    std::snprintf(expected, sizeof expected, kOpenFailure, "absent.vert");
    EXPECT_EQ(printed, expected);
    EXPECT_EQ(handle.name, 0u);
    EXPECT_EQ(liveGlObjects(), before);
}

TEST_F(ShaderTest, MissingFragmentFileCompilesAnEmptySourceAndPrintsTheLogs)
{
    writeFile("plain.vert", kVertexSource);
    const std::string printed = load("plain.vert", "absent.frag");
    ASSERT_NE(handle.name, 0u);
    EXPECT_FALSE(compiled(attached(GL_FRAGMENT_SHADER)));
    EXPECT_FALSE(shaderLog(attached(GL_FRAGMENT_SHADER)).empty());
    EXPECT_EQ(printed, expectedReport("plain.vert", "absent.frag"));
}

TEST_F(ShaderTest, EmptyVertexFileStillCreatesTheProgram)
{
    writeFile("empty.vert", "");
    writeFile("plain.frag", kFragmentSource);
    const std::string printed = load("empty.vert", "plain.frag");
    ASSERT_NE(handle.name, 0u);
    EXPECT_TRUE(glIsProgram(handle.name));
    EXPECT_FALSE(compiled(attached(GL_VERTEX_SHADER)));
    EXPECT_FALSE(shaderLog(attached(GL_VERTEX_SHADER)).empty());
    EXPECT_NE(programStatusText(handle.name), "");
    EXPECT_EQ(printed, expectedReport("empty.vert", "plain.frag"));
}

TEST_F(ShaderTest, HandleSettersReadBack)
{
    writeFile("plain.vert", kVertexSource);
    writeFile("plain.frag", kFragmentSource);
    load("plain.vert", "plain.frag");
    ASSERT_EQ(programStatusText(handle.name), "");
    handle.use();
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(current), handle.name);

    GLuint textures[2];
    glGenTextures(2, textures);
    handle.setCubeMap(textures[0], "sky", 3);
    handle.setTexture2D(textures[1], "image", 5);
    const float weights[3] = {0.25f, 0.5f, 0.75f};
    handle.setFloatArray(weights, 3, "weights");
    handle.setInt(7, "mode");
    const float offsets[4] = {1.0f, 2.0f, 3.0f, 4.0f};
    handle.setVec2Array(offsets, 2, "offsets");
    float matrix[16];
    for (int i = 0; i < 16; ++i)
        matrix[i] = static_cast<float>(i + 1);
    handle.setMat4(matrix, "transform");
    handle.setVec3(glm::vec3(0.1f, 0.2f, 0.3f), "tint");
    handle.setVec4(glm::vec4(0.4f, 0.5f, 0.6f, 0.7f), "fade");

    const auto location = [&](const char* uniform) { return glGetUniformLocation(handle.name, uniform); };
    GLint unit = -1, bound = 0;
    glGetUniformiv(handle.name, location("sky"), &unit);
    EXPECT_EQ(unit, 3);
    glActiveTexture(GL_TEXTURE3);
    glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), textures[0]);
    glGetUniformiv(handle.name, location("image"), &unit);
    EXPECT_EQ(unit, 5);
    glActiveTexture(GL_TEXTURE5);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), textures[1]);
    glActiveTexture(GL_TEXTURE0);

    float value[16] = {};
    glGetUniformfv(handle.name, location("weights[2]"), value);
    EXPECT_FLOAT_EQ(value[0], 0.75f);
    GLint mode = 0;
    glGetUniformiv(handle.name, location("mode"), &mode);
    EXPECT_EQ(mode, 7);
    glGetUniformfv(handle.name, location("offsets[1]"), value);
    EXPECT_FLOAT_EQ(value[0], 3.0f);
    EXPECT_FLOAT_EQ(value[1], 4.0f);
    glGetUniformfv(handle.name, location("transform"), value);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(value[i], matrix[i]) << i;
    glGetUniformfv(handle.name, location("tint"), value);
    EXPECT_FLOAT_EQ(value[2], 0.3f);
    glGetUniformfv(handle.name, location("fade"), value);
    EXPECT_FLOAT_EQ(value[3], 0.7f);

    glUseProgram(0);
    glDeleteTextures(2, textures);
}

}  // namespace
