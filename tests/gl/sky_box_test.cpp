// The sky box on real GL: its "V" loses the camera's translation, it fills only what no mesh
// covered (depth just inside the far plane) with the star field decoded to linear light, and depth
// writes are back on after it.
#include "app/start_up_images.h"
#include "gl_fixture.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

namespace {

constexpr int kSize = 32;
const glm::vec3 kStarColour(0.25f, 0.5f, 0.75f);
// kStarColour as linear light: the image is gamma-encoded (exponent 2.2, like the meshes' images),
// so a mid-grey 0.5 is drawn as about 0.218, well under half of what the file holds.
const glm::vec3 kStarRadiance(0.0474f, 0.2176f, 0.5310f);

class SkyBoxTest : public ::testing::Test, protected BareScene {
protected:
    void SetUp() override
    {
        drainGlErrors();
        testing::internal::CaptureStdout();
        skyBox.init(decodeStartUpImages().starField);
        testing::internal::GetCapturedStdout();
        ASSERT_NE(skyBox.program.name, 0u);
        // A cube map of one known colour in place of the star field.
        if (skyBox.cubeMap)
            glDeleteTextures(1, &skyBox.cubeMap);
        glGenTextures(1, &skyBox.cubeMap);
        glBindTexture(GL_TEXTURE_CUBE_MAP, skyBox.cubeMap);
        for (int face = 0; face < 6; ++face)
            glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGB32F, 1, 1, 0, GL_RGB, GL_FLOAT, &kStarColour.x);
        glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);

        ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
        glViewport(0, 0, kSize, kSize);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);

        camera.setProjection(kSize, kSize, 0.1f, 1000.0f);
        camera.position = glm::vec3(3.0f, 4.0f, 5.0f);
        camera.view = glm::lookAt(camera.position, glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    }

    void TearDown() override
    {
        skyBox.release();
        skyBox.release();
        EXPECT_EQ(skyBox.cubeMap, 0u);
        EXPECT_EQ(skyBox.vertexArray, 0u);
        EXPECT_EQ(drainGlErrors(), 0);
    }

    // Clears colour to 0 and depth to clearDepth, draws the box, returns the colour texels.
    std::vector<float> drawOver(double clearDepth)
    {
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClearDepth(clearDepth);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
        skyBox.render(scene(), resources);
        return readTexture(target.colour, GL_RGB);
    }

    // Window depth of a point `distance` units straight ahead under the camera's projection.
    double windowDepthAt(float distance) const
    {
        const glm::vec4 clip = camera.projection * glm::vec4(0.0f, 0.0f, -distance, 1.0f);
        return 0.5 * double(clip.z / clip.w) + 0.5;
    }

    SkyBox skyBox;
    FloatTarget target{kSize, kSize, true};
};

// The box is centred on the eye the view looks from, which in the scripted orbit and chase is
// not the camera's position: only the camera's rotation may show.
TEST_F(SkyBoxTest, ViewLosesTheEyeTranslationForLookAtOrbitAndChaseViews)
{
    const auto expectRotationOnly = [&](const char* view) {
        SCOPED_TRACE(view);
        drawOver(1.0);
        float v[16];
        glGetUniformfv(skyBox.program.name, glGetUniformLocation(skyBox.program.name, "V"), v);
        EXPECT_NEAR(v[12], 0.0f, 1e-4f);
        EXPECT_NEAR(v[13], 0.0f, 1e-4f);
        EXPECT_NEAR(v[14], 0.0f, 1e-4f);
        EXPECT_EQ(v[15], 1.0f);
        for (int i = 0; i < 11; ++i)
            EXPECT_FLOAT_EQ(v[i], camera.view[i / 4][i % 4]) << "element " << i;
    };
    expectRotationOnly("look-at");
    camera.orbit(glm::vec3(0.0f, 6.0f, 15.0f), 0.25f, 0.5f);
    expectRotationOnly("orbit");
    camera.orbitTheta = camera.orbitPhi = 4.6f;
    camera.update();
    expectRotationOnly("chase");
}

TEST_F(SkyBoxTest, FillsTheClearedBackgroundButNothingAMeshCovered)
{
    const std::vector<float> open = drawOver(1.0);
    for (size_t i = 0; i < open.size(); i += 3)
        for (int c = 0; c < 3; ++c)
            ASSERT_NEAR(open[i + c], kStarRadiance[c], 1e-3f) << "texel " << i / 3 << " channel " << c;

    // Depth left by a mesh 200 units away, well beyond the box's own faces (50 to 87 units).
    const std::vector<float> covered = drawOver(windowDepthAt(200.0f));
    for (float value : covered)
        ASSERT_EQ(value, 0.0f);
}

TEST_F(SkyBoxTest, DepthWritesAreOnAfterTheDrawAndUntouchedDuringIt)
{
    glClearDepth(1.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDepthMask(GL_FALSE);
    skyBox.render(scene(), resources);
    GLboolean writes = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &writes);
    EXPECT_EQ(writes, GL_TRUE);
    const std::vector<float> depths = readTexture(target.depth, GL_DEPTH_COMPONENT);
    for (float value : depths)
        ASSERT_EQ(value, 1.0f) << "the box writes no depth";
}

}  // namespace
