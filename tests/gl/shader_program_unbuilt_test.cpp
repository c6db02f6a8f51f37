// Programs that never built: a fixed program whose link failed and a reloadable one whose files
// are missing take every setter call without a GL error and make no program current, so a frame
// drawn with them raises nothing for the frame's error check to print again and again.
#include "gl_fixture.h"
#include "resources/shader.h"
#include "resources/shader_program.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

void callEverySetter(const ProgramHandle& program)
{
    const float values[4] = {1, 2, 3, 4};
    program.setCubeMap(0, "cube", 0);
    program.setTexture2D(0, "tex", 1);
    program.setFloatArray(values, 2, "floats");
    program.setInt(3, "count");
    program.setVec2Array(values, 2, "pairs");
    program.setMat4(values, "matrix");
    program.setVec3(glm::vec3(1.0f), "vector");
    program.setVec4(glm::vec4(1.0f), "colour");
}

void callEverySetter(const ShaderProgram& program)
{
    const float values[16] = {};
    program.setTexture1D(0, "ramp", 0);
    program.setTexture2D(0, "tex", 1);
    program.setFloat(1.0f, "value");
    program.setInt(3, "count");
    program.setBool(true, "flag");
    program.setVec2Array(values, 2, "pairs");
    program.setVec3Array(values, 2, "triples");
    program.setVec3(glm::vec3(1.0f), "vector");
    program.setMat4(values, "matrix");
}

GLint currentProgram()
{
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    return current;
}

class ShaderProgramUnbuiltTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(glGetString(GL_VERSION), nullptr);
        drainGlErrors();
    }
    ScratchDirectory scratch;
};

TEST_F(ShaderProgramUnbuiltTest, FixedProgramThatDidNotLinkRaisesNoErrorAndIsNeverCurrent)
{
    std::ofstream("a.vert") << "#version 150\nin vec3 position;\nvoid main() { gl_Position = vec4(position, 1.0); }\n";
    std::ofstream("a.frag") << "#version 150\nout vec4 colour;\nvoid main() { colour = vec4(1.0) }\n";
    ProgramHandle broken;
    testing::internal::CaptureStdout();
    loadShaders(broken, "a.vert", "a.frag");
    testing::internal::GetCapturedStdout();
    EXPECT_NE(broken.name, 0u);
    EXPECT_FALSE(broken.linked);
    broken.use();
    EXPECT_EQ(currentProgram(), 0);
    callEverySetter(broken);
    EXPECT_EQ(drainGlErrors(), 0);

    ProgramHandle missing;
    testing::internal::CaptureStdout();
    loadShaders(missing, "none.vert", "none.frag");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(missing.name, 0u);
    missing.use();
    callEverySetter(missing);
    EXPECT_EQ(drainGlErrors(), 0);
    broken.release();
    EXPECT_FALSE(broken.linked);
}

TEST_F(ShaderProgramUnbuiltTest, FixedProgramThatLinkedStillSetsItsUniforms)
{
    std::ofstream("b.vert") << "#version 150\nin vec3 position;\nvoid main() { gl_Position = vec4(position, 1.0); }\n";
    std::ofstream("b.frag") << "#version 150\nuniform int count;\nout vec4 colour;\n"
                               "void main() { colour = vec4(float(count)); }\n";
    ProgramHandle program;
    testing::internal::CaptureStdout();
    loadShaders(program, "b.vert", "b.frag");
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(program.linked);
    program.use();
    EXPECT_EQ(currentProgram(), GLint(program.name));
    program.setInt(7, "count");
    GLint value = 0;
    glGetUniformiv(program.name, glGetUniformLocation(program.name, "count"), &value);
    EXPECT_EQ(value, 7);
    glUseProgram(0);
    program.release();
    EXPECT_EQ(drainGlErrors(), 0);
}

TEST_F(ShaderProgramUnbuiltTest, ReloadableProgramWithoutItsFilesRaisesNoError)
{
    ShaderProgram program({{Vertex, AssetShader("gone.vert")}, {Fragment, AssetShader("gone.frag")}});
    EXPECT_FALSE(program.rebuild());
    EXPECT_FALSE(program.usable());
    glUseProgram(program.id());
    callEverySetter(program);
    EXPECT_EQ(drainGlErrors(), 0);
}

}  // namespace
