// Bloom, lens flare and depth of field on real GL: the downsample shader's arithmetic and alpha,
// and the two passes run on targets of an odd width, read back texel by texel.
#include "gl_fixture.h"
#include "resources/resource_manager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr float kSentinel = -7.0f;

void clearTarget(GLuint fbo, const glm::vec4& colour)
{
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glClearColor(colour.r, colour.g, colour.b, colour.a);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

bool linked(const ProgramHandle& program)
{
    GLint status = GL_FALSE;
    if (program.name)
        glGetProgramiv(program.name, GL_LINK_STATUS, &status);
    return status == GL_TRUE;
}

// Input blocks of 2 x 2 texels, so the downsample's 2 x 2 box sees one value per output texel.
TEST(DownsampleProgramTest, ScalesBiasesClampsAndTakesAlphaWhenAsked)
{
    const int outWidth = 4, outHeight = 2;
    auto inputValue = [](int bx, int by) {
        return glm::vec4(1.5f * bx - 1.0f, 2.0f * by + 0.25f, 3.0f - bx, 9.0f);
    };
    auto focusValue = [](int bx, int by) { return 0.1f * float(bx + 1) + 0.4f * float(by); };
    std::vector<float> input, focus;
    for (int y = 0; y < outHeight * 2; ++y)
        for (int x = 0; x < outWidth * 2; ++x) {
            const glm::vec4 v = inputValue(x / 2, y / 2);
            input.insert(input.end(), {v.r, v.g, v.b, v.a});
            focus.insert(focus.end(), {0.0f, 0.0f, 1.0f, focusValue(x / 2, y / 2)});
        }

    ProgramHandle program;
    loadShaders(program, "shaders/quadShader.vert", "shaders/downsample.frag");
    ASSERT_TRUE(linked(program));
    FullScreenQuad quad;
    quad.create();
    GLuint inputTex = makeTexture(GL_RGBA32F, outWidth * 2, outHeight * 2, input, GL_NEAREST);
    GLuint focusTex = makeTexture(GL_RGBA32F, outWidth * 2, outHeight * 2, focus);
    const FloatTarget target(outWidth, outHeight);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    glDisable(GL_DEPTH_TEST);
    for (int writeAlpha : {1, 0}) {
        clearTarget(target.fbo, glm::vec4(kSentinel));
        glBindFramebuffer(GL_FRAMEBUFFER, target.fbo);
        glViewport(0, 0, outWidth, outHeight);
        program.use();
        program.setTexture2D(inputTex, "uInputTex", 0);
        program.setTexture2D(focusTex, "alphaTex", 1);
        program.setVec4(glm::vec4(0.5f), "uScale");
        program.setVec4(glm::vec4(-0.5f), "uBias");
        program.setInt(writeAlpha, "writeAlpha");
        quad.draw();
        glBindFramebuffer(GL_FRAMEBUFFER, 0);

        const std::vector<float> out = readTexture(target.colour);
        for (int y = 0; y < outHeight; ++y)
            for (int x = 0; x < outWidth; ++x) {
                const glm::vec4 v = inputValue(x, y);
                const float* texel = &out[size_t(y * outWidth + x) * 4];
                for (int c = 0; c < 3; ++c)
                    EXPECT_NEAR(texel[c], std::max(0.0f, v[c] * 0.5f - 0.5f), 1e-5)
                        << "texel " << x << "," << y << " channel " << c;
                EXPECT_NEAR(texel[3], writeAlpha == 1 ? focusValue(x, y) : 1.0f, 1e-5)
                    << "alpha of " << x << "," << y << " writeAlpha " << writeAlpha;
            }
    }
    glEnable(GL_DEPTH_TEST);
    EXPECT_EQ(drainGlErrors(), 0);

    for (GLuint texture : {inputTex, focusTex})
        glDeleteTextures(1, &texture);
    quad.release();
    program.release();
}

// The renderer's own programs and targets at an odd size, with a lens-colour ramp that passes red
// only, so the tint shows in the result.
class LensFlareGlTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 401;
    static constexpr int kHeight = 241;

    void SetUp() override
    {
        loadShaders(renderer.resources.blurProgram, "shaders/quadShader.vert", "shaders/blurFragmentShader.frag");
        loadShaders(renderer.resources.downsampleProgram, "shaders/quadShader.vert", "shaders/downsample.frag");
        loadShaders(renderer.depthOfField.gaussXProgram, "shaders/gauss25TapX.vert", "shaders/gauss25TapX.frag");
        loadShaders(renderer.depthOfField.gaussYProgram, "shaders/gauss25TapY.vert", "shaders/gauss25TapY.frag");
        renderer.lensFlare.program = resources.getShaderProgram(
            {{Vertex, "shaders/quadShader.vert"}, {Fragment, "shaders/lensflare.frag"}});
        for (const ProgramHandle* program : {&renderer.resources.blurProgram, &renderer.resources.downsampleProgram,
                                             &renderer.depthOfField.gaussXProgram, &renderer.depthOfField.gaussYProgram})
            ASSERT_TRUE(linked(*program));
        ASSERT_TRUE(renderer.lensFlare.program->rebuild());

        renderer.resources.targets.create(kWidth, kHeight);
        renderer.resources.quad.create();
        const float redOnly[] = {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
        glGenTextures(1, &renderer.lensFlare.lensColorTex);
        glBindTexture(GL_TEXTURE_1D, renderer.lensFlare.lensColorTex);
        glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB32F, 2, 0, GL_RGB, GL_FLOAT, redOnly);
        glBindTexture(GL_TEXTURE_1D, 0);
        camera.viewportWidth = kWidth;
        camera.viewportHeight = kHeight;
        glEnable(GL_DEPTH_TEST);
        drainGlErrors();
    }

    void TearDown() override
    {
        glDeleteTextures(1, &renderer.lensFlare.lensColorTex);
        renderer.resources.targets.release();
        renderer.resources.quad.release();
        for (ProgramHandle* program : {&renderer.resources.blurProgram, &renderer.resources.downsampleProgram,
                                       &renderer.depthOfField.gaussXProgram, &renderer.depthOfField.gaussYProgram})
            program->release();
    }

    // The scene target filled with one colour; depth 1 (nothing drawn) except from column
    // nearFrom on, where a surface at window depth 0.3 lies in front of the bloom quad.
    void fillScene(const glm::vec4& colour, int nearFrom = kWidth)
    {
        clearTarget(renderer.resources.targets.sceneFbo, colour);
        glBindFramebuffer(GL_FRAMEBUFFER, renderer.resources.targets.sceneFbo);
        glClearDepth(1.0);
        glClear(GL_DEPTH_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(nearFrom, 0, kWidth, kHeight);
        glClearDepth(0.3);
        glClear(GL_DEPTH_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        glClearDepth(1.0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        for (GLuint fbo : {renderer.resources.targets.halfFbo, renderer.resources.targets.flareFbo, renderer.resources.targets.halfScratchFbo})
            clearTarget(fbo, glm::vec4(kSentinel));
    }

    void uploadScene(const std::vector<float>& rgba)
    {
        glBindTexture(GL_TEXTURE_2D, renderer.resources.targets.sceneColorTex);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kWidth, kHeight, GL_RGBA, GL_FLOAT, rgba.data());
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    // Runs one pass with stderr captured; the pass must leave no "GL: " line and no queued error.
    template <typename Pass>
    void runQuietly(Pass pass)
    {
        testing::internal::CaptureStderr();
        pass();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(drainGlErrors(), 0);
    }

    FrameScene frame(bool rocketView) { return FrameScene{camera, meshes, meshes, lights, planes, rocketView}; }

    const float* halfTexel(const std::vector<float>& texels, int x, int y) const
    {
        return &texels[size_t(y * renderer.resources.targets.halfWidth + x) * 4];
    }

    Renderer renderer;
    ResourceManager resources;
    Camera camera;
    std::vector<MeshObject*> meshes;
    std::vector<LightObject*> lights;
    FrustumPlanes planes{};
};
// The same programs and targets for the depth of field.
using DepthOfFieldGlTest = LensFlareGlTest;

TEST_F(DepthOfFieldGlTest, DepthOfFieldWritesEveryHalfTexelWithTheFocusFactor)
{
    ASSERT_EQ(renderer.resources.targets.halfWidth, 200);
    fillScene(glm::vec4(0.25f, 0.5f, 2.0f, 0.0f));
    clearTarget(renderer.resources.targets.normalDepthFbo, glm::vec4(0.0f, 0.0f, 1.0f, 0.75f));

    runQuietly([&] { renderer.depthOfField.render(frame(false), renderer.resources); });

    // A uniform image stays uniform under normalised weights, up to the last texel row and column.
    const std::vector<float> out = readTexture(renderer.resources.targets.halfTex);
    const glm::vec4 expected(0.25f, 0.5f, 2.0f, 0.75f);
    int wrong = 0;
    for (size_t i = 0; i < out.size(); ++i)
        wrong += std::fabs(out[i] - expected[int(i % 4)]) > 1e-5f;
    EXPECT_EQ(wrong, 0);
}

// A vertical line in red and a horizontal one in green: each spreads across its own axis only,
// over the Gaussian's full width of 25 half-size texels (the outermost fetch 11.44 texels out).
TEST_F(DepthOfFieldGlTest, DepthOfFieldBlursAlongEachAxis)
{
    fillScene(glm::vec4(0.0f));
    // An odd size does not halve evenly, so the 2 x 2 boxes drift across the input; these two lines
    // fall inside one box each.
    const int lineColumn = 100, lineRow = 60;
    std::vector<float> scene(size_t(kWidth) * kHeight * 4, 0.0f);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            scene[size_t(y * kWidth + x) * 4 + 0] = x == lineColumn ? 1.0f : 0.0f;
            scene[size_t(y * kWidth + x) * 4 + 1] = y == lineRow ? 1.0f : 0.0f;
        }
    uploadScene(scene);
    clearTarget(renderer.resources.targets.normalDepthFbo, glm::vec4(0.0f));

    runQuietly([&] { renderer.depthOfField.render(frame(false), renderer.resources); });

    const std::vector<float> out = readTexture(renderer.resources.targets.halfTex);
    const int halfWidth = renderer.resources.targets.halfWidth, halfHeight = renderer.resources.targets.halfHeight;
    int peakX = 0, peakY = 0;
    for (int x = 0; x < halfWidth; ++x)
        if (halfTexel(out, x, 10)[0] > halfTexel(out, peakX, 10)[0])
            peakX = x;
    for (int y = 0; y < halfHeight; ++y)
        if (halfTexel(out, 10, y)[1] > halfTexel(out, 10, peakY)[1])
            peakY = y;
    const float redPeak = halfTexel(out, peakX, 10)[0], greenPeak = halfTexel(out, 10, peakY)[1];
    ASSERT_GT(redPeak, 0.0f);
    ASSERT_GT(greenPeak, 0.0f);
    EXPECT_LT(redPeak, 0.5f);
    EXPECT_LT(greenPeak, 0.5f);
    for (int d : {-10, -2, 2, 10}) {
        EXPECT_GT(halfTexel(out, peakX + d, 10)[0], 0.01f * redPeak) << d;
        EXPECT_GT(halfTexel(out, 10, peakY + d)[1], 0.01f * greenPeak) << d;
    }
    for (int d : {-16, 16}) {
        EXPECT_EQ(halfTexel(out, peakX + d, 10)[0], 0.0f) << d;
        EXPECT_EQ(halfTexel(out, 10, peakY + d)[1], 0.0f) << d;
    }
    for (int y = 0; y < halfHeight; ++y)
        EXPECT_NEAR(halfTexel(out, peakX, y)[0], redPeak, 1e-6) << "row " << y;
    for (int x = 0; x < halfWidth; ++x)
        EXPECT_NEAR(halfTexel(out, x, peakY)[1], greenPeak, 1e-6) << "column " << x;
}

// A uniform scene of 3.0: the bright pass keeps 1.0, which the bloom adds back 2.2 times where the
// scene lies beyond window depth 0.5, and the flare threshold keeps 0.5 x - 1 of the result.
TEST_F(LensFlareGlTest, BloomSkipsNearSurfacesAndTheThresholdFollowsTheLatch)
{
    const int nearFrom = 300;
    fillScene(glm::vec4(3.0f, 3.0f, 3.0f, 0.0f), nearFrom);
    runQuietly([&] { renderer.lensFlare.render(frame(false), renderer.resources); });

    const std::vector<float> scene = readTexture(renderer.resources.targets.sceneColorTex);
    for (int x : {0, 150, nearFrom - 1, nearFrom, kWidth - 1})
        for (int y : {0, kHeight / 2, kHeight - 1})
            EXPECT_NEAR(scene[size_t(y * kWidth + x) * 4], x < nearFrom ? 5.2f : 3.0f, 1e-4)
                << x << "," << y;

    std::vector<float> threshold = readTexture(renderer.resources.targets.halfTex);
    std::vector<float> flare = readTexture(renderer.resources.targets.flareTex);
    EXPECT_NEAR(halfTexel(threshold, 10, 10)[0], 5.2f * 0.5f - 1.0f, 1e-4);
    EXPECT_NEAR(halfTexel(threshold, 195, 10)[0], 3.0f * 0.5f - 1.0f, 1e-4);
    int unwritten = 0, tinted = 0;
    float red = 0.0f;
    for (size_t i = 0; i < flare.size(); i += 4) {
        unwritten += !std::isfinite(flare[i]) || flare[i] == kSentinel;
        tinted += flare[i + 1] != 0.0f || flare[i + 2] != 0.0f;
        red = std::max(red, flare[i]);
    }
    EXPECT_EQ(unwritten, 0);
    EXPECT_EQ(tinted, 0);
    EXPECT_GT(red, 0.0f);

    // The raised threshold (0.4 x - 3) drops everything up to 7.5, and stays raised.
    for (bool rocketView : {true, false}) {
        fillScene(glm::vec4(3.0f, 3.0f, 3.0f, 0.0f));
        runQuietly([&] { renderer.lensFlare.render(frame(rocketView), renderer.resources); });
        threshold = readTexture(renderer.resources.targets.halfTex);
        flare = readTexture(renderer.resources.targets.flareTex);
        float largest = 0.0f;
        for (size_t i = 0; i < threshold.size(); ++i)
            if (i % 4 != 3)
                largest = std::max({largest, threshold[i], flare[i]});
        EXPECT_EQ(largest, 0.0f) << "rocketView " << rocketView;
    }
}

// A bright patch left of the centre throws its first ghost at the mirrored place right of it.
TEST_F(LensFlareGlTest, GhostAppearsMirroredThroughTheCentre)
{
    fillScene(glm::vec4(0.0f));
    std::vector<float> scene(size_t(kWidth) * kHeight * 4, 0.0f);
    for (int y = 115; y < 126; ++y)
        for (int x = 95; x < 106; ++x)
            scene[size_t(y * kWidth + x) * 4] = 200.0f;
    uploadScene(scene);

    runQuietly([&] { renderer.lensFlare.render(frame(false), renderer.resources); });

    const std::vector<float> flare = readTexture(renderer.resources.targets.flareTex);
    const float mirrored = halfTexel(flare, 150, 60)[0];
    const float offTheLine = halfTexel(flare, 150, 5)[0];
    EXPECT_GT(mirrored, 0.0f);
    EXPECT_GT(mirrored, 20.0f * offTheLine);
}

}  // namespace
