// The normal/depth pre-pass and the occlusion pass on real GL: the noise texture, what the
// pre-pass leaves in normalTex and depthTex, and the occlusion of a crease against flat ground.
#include "gl_fixture.h"
#include "resources/resource_manager.h"

#include <algorithm>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

namespace {

// A renderer with just what the two passes need, at width x height.
class SsaoPassTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 320, kHeight = 240;

    void SetUp() override
    {
        drainGlErrors();
        renderer.resources.targets.create(kWidth, kHeight);
        renderer.resources.quad.create();
        renderer.ssao.kernel.create(kWidth, kHeight);
        renderer.normalDepth.program = manager.getShaderProgram(
            {{Vertex, "shaders/normalDepthPass.vert"}, {Fragment, "shaders/normalDepthPass.frag"}});
        ASSERT_TRUE(renderer.normalDepth.program->rebuild());
        renderer.ssao.program =
            manager.getShaderProgram({{Vertex, "shaders/quadShader.vert"}, {Fragment, "shaders/ssao.frag"}});
        ASSERT_TRUE(renderer.ssao.program->rebuild());
        testing::internal::CaptureStdout();
        loadShaders(renderer.resources.blurProgram, "shaders/quadShader.vert", "shaders/blurFragmentShader.frag");
        testing::internal::GetCapturedStdout();
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glEnable(GL_DEPTH_TEST);
        camera.setProjection(kHeight, kWidth, 0.1f, 1000.0f);
        lookFrom(glm::vec3(0.0f), glm::vec3(0.0f, 0.0f, -1.0f));
    }

    void TearDown() override
    {
        meshes.clear();
        owned.clear();
        renderer.resources.blurProgram.release();
        renderer.ssao.kernel.release();
        renderer.resources.quad.release();
        renderer.resources.targets.release();
        EXPECT_EQ(drainGlErrors(), 0);
    }

    void lookFrom(const glm::vec3& eye, const glm::vec3& centre)
    {
        camera.position = eye;
        camera.view = glm::lookAt(eye, centre, glm::vec3(0.0f, 1.0f, 0.0f));
    }

    void add(const std::vector<Quad>& quads, const glm::mat4& model = glm::mat4(1.0f))
    {
        owned.push_back(std::make_unique<MeshObject>());
        addQuads(*owned.back(), quads);
        owned.back()->model = model;
        meshes.push_back(owned.back().get());
    }

    FrameScene scene() const { return FrameScene{camera, meshes, noMeshes, noLights, planes, false}; }

    // RGBA of normalTex, or the one channel of depthTex / R of ssaoTex, at pixel (x, y).
    glm::vec4 normalAt(int x, int y) const
    {
        const std::vector<float> texels = readTexture(renderer.resources.targets.normalTex);
        const float* t = &texels[size_t(4 * (y * kWidth + x))];
        return glm::vec4(t[0], t[1], t[2], t[3]);
    }

    Renderer renderer;
    ResourceManager manager;
    Camera camera;
    std::vector<std::unique_ptr<MeshObject>> owned;
    std::vector<MeshObject*> meshes;
    const std::vector<MeshObject*> noMeshes;
    const std::vector<LightObject*> noLights;
    FrustumPlanes planes{};
};

// The same renderer for the pre-pass on its own.
using NormalDepthPassTest = SsaoPassTest;

// A square of side 2 in the z = 0 plane facing +z.
const Quad kFacingSquare{{{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}, {0, 0, 1}};

TEST_F(SsaoPassTest, NoiseTextureHoldsTheNoiseAsA4x4RepeatingFloatTile)
{
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, renderer.ssao.kernel.noiseTex);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &value);
    EXPECT_EQ(value, GL_RGB32F);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, 4);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &value);
    EXPECT_EQ(value, 4);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);

    const std::vector<float> texels = readTexture(renderer.ssao.kernel.noiseTex, GL_RGB);
    EXPECT_TRUE(std::equal(texels.begin(), texels.end(), renderer.ssao.kernel.noise));
    EXPECT_EQ(renderer.ssao.kernel.noiseScale, glm::vec2(80.0f, 60.0f));

    renderer.ssao.kernel.release();
    renderer.ssao.kernel.release();
    EXPECT_EQ(renderer.ssao.kernel.noiseTex, 0u);
}

TEST_F(NormalDepthPassTest, EmptyMeshListLeavesZeroNormalsAndFarDepth)
{
    // Leave something else in both textures first, so the pass has to clear it.
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.resources.targets.normalDepthFbo);
    glClearColor(0.5f, 0.25f, 1.0f, 1.0f);
    glClearDepth(0.25);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    renderer.normalDepth.render(scene(), renderer.resources);

    const std::vector<float> normals = readTexture(renderer.resources.targets.normalTex);
    EXPECT_TRUE(std::all_of(normals.begin(), normals.end(), [](float v) { return v == 0.0f; }));
    const std::vector<float> depths = readTexture(renderer.resources.targets.depthTex, GL_DEPTH_COMPONENT);
    EXPECT_TRUE(std::all_of(depths.begin(), depths.end(), [](float v) { return v == 1.0f; }));
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(GLuint(bound), renderer.resources.targets.normalDepthFbo);

    renderer.ssao.render(scene(), renderer.resources);
    const std::vector<float> visibility = readTexture(renderer.resources.targets.ssaoTex, GL_RGB);
    EXPECT_TRUE(std::all_of(visibility.begin(), visibility.end(), [](float v) { return std::abs(v - 1.0f) < 1e-5f; }))
        << "nothing drawn is nothing occluded";
}

TEST_F(NormalDepthPassTest, PrePassWritesWorldNormalsAndFocusThatSoftensOnlyFarAway)
{
    // Seen from +x, a square turned to face +x: a world-space normal reads (1, 0, 0) where a
    // view-space one would read (0, 0, 1). Scaled by 3, so the shader must renormalise.
    lookFrom(glm::vec3(10.0f, 0.0f, 0.0f), glm::vec3(0.0f));
    const glm::mat4 faceX = glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0, 1, 0));
    add({kFacingSquare}, glm::scale(faceX, glm::vec3(3.0f)));
    renderer.normalDepth.render(scene(), renderer.resources);

    const glm::vec4 centre = normalAt(kWidth / 2, kHeight / 2);
    EXPECT_NEAR(centre.x, 1.0f, 1e-4f);
    EXPECT_NEAR(centre.y, 0.0f, 1e-4f);
    EXPECT_NEAR(centre.z, 0.0f, 1e-4f);
    EXPECT_EQ(centre.w, 0.0f) << "10 units away is in focus";
    EXPECT_EQ(normalAt(2, 2), glm::vec4(0.0f)) << "outside the square nothing was drawn";

    // Eye depth 27 is halfway through the ramp from sharp (17) to fully blurred (37).
    const struct {
        float distance, focus;
    } cases[] = {{12.0f, 0.0f}, {17.0f, 0.0f}, {27.0f, 0.5f}, {37.0f, 1.0f}, {60.0f, 1.0f}};
    lookFrom(glm::vec3(0.0f), glm::vec3(0.0f, 0.0f, -1.0f));
    for (const auto& c : cases) {
        owned.front()->model = glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -c.distance)), glm::vec3(c.distance));
        renderer.normalDepth.render(scene(), renderer.resources);
        EXPECT_NEAR(normalAt(kWidth / 2, kHeight / 2).w, c.focus, 1e-4f) << "at " << c.distance << " units";
    }
}

// Visibility (R of ssaoTex) at pixel (x, y).
float visibilityAt(const std::vector<float>& texels, int x, int y, int width)
{
    return texels[size_t(3 * (y * width + x))];
}

TEST_F(SsaoPassTest, CreaseIsOccludedWhileFlatGroundAndBackgroundStayOpen)
{
    // A floor (y = -1) meeting a wall (z = -8) in front of the camera; both 6 units wide, so
    // the columns at the sides of the picture are background.
    add({
        Quad{{{-3, -1, -2}, {3, -1, -2}, {3, -1, -12}, {-3, -1, -12}}, {0, 1, 0}},
        Quad{{{-3, -1, -8}, {3, -1, -8}, {3, 5, -8}, {-3, 5, -8}}, {0, 0, 1}},
    });
    renderer.normalDepth.render(scene(), renderer.resources);
    renderer.ssao.render(scene(), renderer.resources);
    EXPECT_EQ(boundSamplers(), 0);
    const std::vector<float> texels = readTexture(renderer.resources.targets.ssaoTex, GL_RGB);

    // The crease projects to window row (1 - 1 / (8 tan 22.5)) / 2 * 240, about 84.
    const float crease = visibilityAt(texels, kWidth / 2, 84, kWidth);
    const float openWall = visibilityAt(texels, kWidth / 2, 210, kWidth);
    const float openFloor = visibilityAt(texels, kWidth / 2, 12, kWidth);
    const float background = visibilityAt(texels, 8, 120, kWidth);
    RecordProperty("crease", std::to_string(crease));
    // Blurred, the crease sits near 0.5: the composite darkens lit meshes visibly only that
    // deep. Occlusion tuned too weak to be seen in the frame left it near 0.8.
    EXPECT_LT(crease, 0.65f);
    EXPECT_GT(openWall, 0.98f);
    EXPECT_GT(openFloor, 0.98f);
    EXPECT_NEAR(background, 1.0f, 1e-5f);
    for (size_t i = 0; i + 2 < texels.size(); i += 3) {
        ASSERT_EQ(texels[i], texels[i + 1]);
        ASSERT_EQ(texels[i], texels[i + 2]);
    }
}

TEST_F(SsaoPassTest, FlatGroundAtGrazingAnglesShowsNoSelfOcclusion)
{
    lookFrom(glm::vec3(0.0f, 1.0f, 0.0f), glm::vec3(0.0f, 0.6f, -10.0f));
    add({Quad{{{-20, 0, 0}, {20, 0, 0}, {20, 0, -40}, {-20, 0, -40}}, {0, 1, 0}}});
    renderer.normalDepth.render(scene(), renderer.resources);
    renderer.ssao.render(scene(), renderer.resources);
    const std::vector<float> texels = readTexture(renderer.resources.targets.ssaoTex, GL_RGB);
    float darkest = 1.0f;
    for (size_t i = 0; i < texels.size(); i += 3)
        darkest = std::min(darkest, texels[i]);
    EXPECT_GT(darkest, 0.97f);
}

}  // namespace
