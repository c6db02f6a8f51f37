// The renderer's start-up and shared resources on real GL: programs in their fixed order, the
// views shown only once their program built, every framebuffer complete, the quad's buffers,
// targets that follow the window size, the size checks asked of the driver, and the separable
// blur.
#include "gl_fixture.h"
#include "render/target_size.h"
#include "resources/gl_error.h"
#include "scene/gl_names.h"

#include <filesystem>
#include <glm/gtc/type_ptr.hpp>
#include <gtest/gtest.h>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct TextureSize {
    GLuint texture;
    int width, height;
};

std::vector<TextureSize> expectedSizes(const RenderTargets& t, int w, int h)
{
    const int hw = halfSize(w), hh = halfSize(h);
    return {{t.depthTex, w, h},        {t.normalTex, w, h},      {t.ssaoTex, w, h},
            {t.sceneDepthTex, w, h},   {t.sceneColorTex, w, h},  {t.fullScratchTex, w, h},
            {t.halfTex, hw, hh},       {t.flareTex, hw, hh},     {t.halfScratchTex, hw, hh}};
}

std::vector<GLuint> framebuffers(const RenderTargets& t)
{
    return {t.normalDepthFbo, t.ssaoFbo, t.sceneFbo, t.halfFbo, t.flareFbo, t.halfScratchFbo,
            t.fullScratchFbo};
}

GLenum status(GLuint fbo)
{
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    const GLenum result = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return result;
}

void expectTargetsAt(const RenderTargets& t, int w, int h)
{
    for (const TextureSize& expected : expectedSizes(t, w, h)) {
        GLint width = -1, height = -1;
        glBindTexture(GL_TEXTURE_2D, expected.texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(width, expected.width) << "texture " << expected.texture;
        EXPECT_EQ(height, expected.height) << "texture " << expected.texture;
    }
}

// Paths of the "Compiling shader : <path> - <id>" lines, in output order.
std::vector<std::string> compiledPaths(const std::string& output)
{
    const std::string prefix = "Compiling shader : ";
    std::vector<std::string> paths;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line.compare(0, prefix.size(), prefix) == 0)
            paths.push_back(line.substr(prefix.size(), line.rfind(" - ") - prefix.size()));
    return paths;
}

class FrameResourcesTest : public SharedRendererTest {
protected:
    void SetUp() override
    {
        renderer->resize(kTargetSize, kTargetSize);
        drainGlErrors();
    }
};
// The renderer's own part: its programs, built in their fixed order.
using RendererTest = FrameResourcesTest;

TEST_F(RendererTest, BuildsFixedProgramsInTableOrderAndKeepsReloadablesCached)
{
    Renderer other;
    testing::internal::CaptureStdout();
    other.createShaderPrograms();
    const std::vector<std::string> paths = compiledPaths(testing::internal::GetCapturedStdout());

    const std::string quad = "shaders/quadShader.vert";
    const std::vector<std::string> expected = {
        "shaders/blinnPhong.vert", "shaders/blinnPhong.frag", quad, "shaders/ssao.frag",
        "shaders/normalDepthPass.vert", "shaders/normalDepthPass.frag", quad, "shaders/quadShader.frag",
        "shaders/blinnPhong.vert", "shaders/passThrough.frag", quad, "shaders/passThrough.frag",
        quad, "shaders/blurFragmentShader.frag", quad, "shaders/downsample.frag",
        quad, "shaders/lensflare.frag", "shaders/gauss25TapX.vert", "shaders/gauss25TapX.frag",
        "shaders/gauss25TapY.vert", "shaders/gauss25TapY.frag", "shaders/particle.vert",
        "shaders/particle.frag"};
    EXPECT_EQ(paths, expected);

    // One cache for the process: a second renderer shares the reloadable programs, and they
    // outlive every renderer that let go of them.
    EXPECT_EQ(other.lighting.program, renderer->lighting.program);
    EXPECT_EQ(other.composite.program, renderer->composite.program);
    std::weak_ptr<ShaderProgram> lighting = other.lighting.program;
    other.release();
    other.release();
    EXPECT_FALSE(lighting.expired());
    EXPECT_EQ(other.lighting.program, nullptr);
    EXPECT_EQ(other.unlit.program.name, 0u);
    EXPECT_EQ(drainGlErrors(), 0);
}

TEST_F(RendererTest, OwnProgramsLinkWithTheMeshLayoutLocations)
{
    for (GLuint program : {renderer->lighting.program->id(), renderer->composite.program->id(),
                           renderer->unlit.program.name, renderer->resources.passThroughProgram.name,
                           renderer->resources.blurProgram.name}) {
        ASSERT_NE(program, 0u);
        GLint linked = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE) << "program " << program;
    }
    const GLuint lighting = renderer->lighting.program->id();
    EXPECT_EQ(glGetAttribLocation(lighting, "vertexPosition"), 0);
    EXPECT_EQ(glGetAttribLocation(lighting, "vertexTexCoord"), 1);
    EXPECT_EQ(glGetAttribLocation(lighting, "vertexNormal"), 2);
    EXPECT_EQ(glGetAttribLocation(lighting, "vertexTangent"), 3);
    EXPECT_EQ(glGetAttribLocation(renderer->unlit.program.name, "vertexPosition"), 0);
    EXPECT_EQ(glGetAttribLocation(renderer->unlit.program.name, "vertexTexCoord"), 1);
    // Room for the scene's four lights.
    EXPECT_NE(glGetUniformLocation(lighting, "lights[3].iLightType"), -1);
}

// Regression: without a readable shaders/debugView.frag the views were claimed (in the title)
// while the final image stayed, and the report spoke of an unexpected end of file. A view is
// only shown once its program built; the report names what is wrong with the file, once each.
// The program is the pass's own, as the Renderer makes it but outside the process's cache.
TEST_F(RendererTest, ViewWithoutItsProgramIsNotShownAndTheFileIsNamed)
{
    DebugViewPass views;
    EXPECT_EQ(views.shown(View::Occlusion), View::Final) << "no program made yet";
    ScratchDirectory scratch;
    DrivenClock clock;
    std::filesystem::create_directory("shaders");
    std::filesystem::copy_file(scratch.previous / "shaders/quadShader.vert", "shaders/quadShader.vert");
    const std::string label = "shaders/quadShader.vert + shaders/debugView.frag";
    views.program = std::make_shared<ShaderProgram>(ShaderSet{
        {Vertex, AssetShader("shaders/quadShader.vert")}, {Fragment, AssetShader("shaders/debugView.frag")}});
    std::string printed;
    const auto ask = [&](View view) {
        testing::internal::CaptureStderr();
        rebuildIfChanged(*views.program);
        const View shown = views.shown(view);
        printed += testing::internal::GetCapturedStderr();
        clock.advanceMs(1000);
        return shown;
    };

    EXPECT_EQ(ask(View::Occlusion), View::Final);
    EXPECT_EQ(ask(View::Depth), View::Final);
    EXPECT_EQ(printed, "Shader build failed: " + label + ": shaders/debugView.frag is missing\n");
    printed.clear();

    std::filesystem::create_directory("shaders/debugView.frag");
    setStamp("shaders/debugView.frag", 1700000001);
    EXPECT_EQ(ask(View::Occlusion), View::Final);
    EXPECT_EQ(ask(View::Occlusion), View::Final);
    EXPECT_EQ(printed, "Shader reload failed: " + label + ": shaders/debugView.frag is a directory\n");
    printed.clear();

    std::filesystem::remove("shaders/debugView.frag");
    std::filesystem::copy_file(scratch.previous / "shaders/debugView.frag", "shaders/debugView.frag");
    setStamp("shaders/debugView.frag", 1700000002);
    EXPECT_EQ(ask(View::Occlusion), View::Occlusion);
    EXPECT_EQ(ask(View::Final), View::Final);
    EXPECT_EQ(printed, "Shader reload: " + label + " works again\n");
    views.release();
    EXPECT_EQ(drainGlErrors(), 0);
}

TEST_F(FrameResourcesTest, EveryFramebufferIsCompleteAtWindowSize)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(renderer->resize(1280, 720), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    for (GLuint fbo : framebuffers(renderer->resources.targets)) {
        ASSERT_NE(fbo, 0u);
        EXPECT_EQ(status(fbo), GLenum(GL_FRAMEBUFFER_COMPLETE)) << "framebuffer " << fbo;
    }
    expectTargetsAt(renderer->resources.targets, 1280, 720);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat clear[4] = {1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(glm::vec4(clear[0], clear[1], clear[2], clear[3]), glm::vec4(0.0f));
    EXPECT_EQ(drainGlErrors(), 0);
}

TEST_F(FrameResourcesTest, TinyWindowsKeepEveryTargetAtLeastOnePixelAndComplete)
{
    const int sizes[][2] = {{1, 720}, {1, 1}, {2, 1}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size[0]) + " x " + std::to_string(size[1]));
        testing::internal::CaptureStdout();
        renderer->resize(size[0], size[1]);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        expectTargetsAt(renderer->resources.targets, size[0], size[1]);
        for (GLuint fbo : framebuffers(renderer->resources.targets))
            EXPECT_EQ(status(fbo), GLenum(GL_FRAMEBUFFER_COMPLETE)) << "framebuffer " << fbo;
        EXPECT_EQ(drainGlErrors(), 0);
    }
}

TEST_F(FrameResourcesTest, QuadBuffersHoldTheFourCornersAndTwoTriangles)
{
    const FullScreenQuad& quad = renderer->resources.quad;
    ASSERT_NE(quad.vertexArray, 0u);

    float corners[12] = {};
    glBindBuffer(GL_ARRAY_BUFFER, quad.vertexBuffer);
    GLint bytes = 0;
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
    EXPECT_EQ(bytes, 48);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(corners), corners);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    const std::vector<float> expectedCorners = {1, 1, 0, -1, 1, 0, 1, -1, 0, -1, -1, 0};
    EXPECT_EQ(std::vector<float>(corners, corners + 12), expectedCorners);

    glBindVertexArray(quad.vertexArray);
    GLint elementBuffer = 0, enabled = 0, components = 0, type = 0, stride = -1;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elementBuffer);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_SIZE, &components);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_TYPE, &type);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
    GLuint indices[6] = {};
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
    glGetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, sizeof(indices), indices);
    glBindVertexArray(0);

    EXPECT_EQ(GLuint(elementBuffer), quad.elementBuffer);
    EXPECT_EQ(enabled, GL_TRUE);
    EXPECT_EQ(components, 3);
    EXPECT_EQ(type, GL_FLOAT);
    EXPECT_EQ(stride, 0);
    EXPECT_EQ(bytes, 24);
    EXPECT_EQ(std::vector<GLuint>(indices, indices + 6), (std::vector<GLuint>{0, 1, 2, 2, 1, 3}));
}

TEST_F(FrameResourcesTest, ResizeRecreatesEveryTargetAtTheNewSize)
{
    SsaoKernel reference;
    reference.setNoiseScale(301, 157);

    renderer->resize(301, 157);
    EXPECT_EQ(drainGlErrors(), 0);
    expectTargetsAt(renderer->resources.targets, 301, 157);
    EXPECT_EQ(renderer->resources.targets.halfWidth, 150);
    EXPECT_EQ(renderer->resources.targets.halfHeight, 78);
    for (GLuint fbo : framebuffers(renderer->resources.targets))
        EXPECT_EQ(status(fbo), GLenum(GL_FRAMEBUFFER_COMPLETE)) << "framebuffer " << fbo;
    EXPECT_EQ(renderer->ssao.kernel.noiseScale, reference.noiseScale);
    // Graphics debuggers find the re-made targets under the names the passes use.
    const auto label = [](GLenum identifier, GLuint name) {
        char text[64] = {};
        glGetObjectLabel(identifier, name, sizeof text, nullptr, text);
        return std::string(text);
    };
    EXPECT_EQ(label(GL_FRAMEBUFFER, renderer->resources.targets.sceneFbo), "sceneFbo");
    EXPECT_EQ(label(GL_TEXTURE, renderer->resources.targets.flareTex), "flareTex");

    // A minimised window reports 0 x 0: the targets stay as they are.
    const GLuint scene = renderer->resources.targets.sceneColorTex;
    renderer->resize(0, 0);
    EXPECT_EQ(renderer->resources.targets.sceneColorTex, scene);
    expectTargetsAt(renderer->resources.targets, 301, 157);
    EXPECT_EQ(drainGlErrors(), 0);
}

// The size checks on the driver itself: proxies within the limits are backed without a GL error
// and one beyond them refused (a driver may add GL_INVALID_VALUE for that one); a framebuffer
// with nothing attached is named as incomplete; a refused resize leaves every target as it was.
TEST_F(FrameResourcesTest, SizeChecksAskTheDriverAndARefusedResizeKeepsTheTargets)
{
    const int over = queryTargetLimits().maxTextureSize + 1;
    EXPECT_EQ(unbackedTarget({{GL_RGBA32F, GL_RGBA, 64, 64}, {GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, 64, 64}}),
              "");
    EXPECT_EQ(drainGlErrors(), 0);
    EXPECT_EQ(unbackedTarget({{GL_RGBA32F, GL_RGBA, 64, 64}, {GL_RGB32F, GL_RGB, over, 64}}),
              "the driver cannot back a " + std::to_string(over) + " x 64 RGB32F texture");
    drainGlErrors();

    GLuint empty = 0;
    glGenFramebuffers(1, &empty);
    const GLuint scene = renderer->resources.targets.sceneFbo;
    glBindFramebuffer(GL_FRAMEBUFFER, scene);
    EXPECT_EQ(madeTargetsProblem({{scene, "sceneFbo"}}), "");
    EXPECT_EQ(madeTargetsProblem({{scene, "sceneFbo"}, {empty, "emptyFbo"}}),
              "the framebuffer emptyFbo is not complete (status 0x8cd7)");
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(GLuint(bound), scene);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &empty);

    const GLuint colour = renderer->resources.targets.sceneColorTex;
    EXPECT_EQ(renderer->resize(over, 32), "the width is over GL_MAX_TEXTURE_SIZE (" + std::to_string(over - 1) + ")");
    EXPECT_EQ(renderer->resources.targets.sceneColorTex, colour);
    expectTargetsAt(renderer->resources.targets, kTargetSize, kTargetSize);
    EXPECT_EQ(drainGlErrors(), 0);
}

// Where the driver refuses a proxy, making the texture anyway fails, and the check after making
// targets names the driver's GL_OUT_OF_MEMORY rather than the incomplete framebuffer it leaves.
TEST_F(FrameResourcesTest, TargetsTheDriverCouldNotMakeAreNamedAsOutOfMemory)
{
    const int largest = queryTargetLimits().maxTextureSize;
    if (unbackedTarget({{GL_RGBA32F, GL_RGBA, largest, largest}}).empty())
        GTEST_SKIP() << "this driver backs a " << largest << " x " << largest << " RGBA32F texture";
    GLuint texture = makeTarget(GL_RGBA32F, GL_RGBA, largest, largest, GL_NEAREST);
    GLuint fbo = makeFramebuffer(0, texture);
    EXPECT_EQ(madeTargetsProblem({{fbo, "hugeFbo"}}),
              "the driver ran out of memory making the targets (GL_OUT_OF_MEMORY)");
    EXPECT_EQ(drainGlErrors(), 0);
    deleteFramebuffer(fbo);
    deleteTexture(texture);
}

TEST_F(FrameResourcesTest, SeparableBlurSpreadsOneTexelSymmetricallyWithinTheRadius)
{
    constexpr int kCentre = kTargetSize / 2;
    const RenderTargets& t = renderer->resources.targets;
    // An even and an odd radius: the blur reads two distances per step, and for an odd radius
    // the last step's outer pair must weigh nothing.
    for (int radius : {4, 3}) {
        SCOPED_TRACE(radius);
        fillTexture(t.ssaoTex, kTargetSize, kTargetSize, glm::vec4(0.0f));
        const float bright[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        glBindTexture(GL_TEXTURE_2D, t.ssaoTex);
        glTexSubImage2D(GL_TEXTURE_2D, 0, kCentre, kCentre, 1, 1, GL_RGBA, GL_FLOAT, bright);
        glBindTexture(GL_TEXTURE_2D, 0);

        renderer->resources.separableBlur(t.ssaoFbo, t.ssaoTex, t.fullScratchFbo, t.fullScratchTex, float(radius) + 0.9f,
                                glm::vec2(kTargetSize));

        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], kTargetSize);
        EXPECT_EQ(viewport[3], kTargetSize);
        // The nearest sampler is bound only while the blur draws.
        GLint sampler = -1;
        glActiveTexture(GL_TEXTURE0);
        glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
        EXPECT_EQ(sampler, 0);
        EXPECT_EQ(drainGlErrors(), 0);

        const std::vector<float> pixels = readTexture(t.ssaoTex);
        auto at = [&](int x, int y) { return pixels[(size_t(y) * kTargetSize + size_t(x)) * 4]; };
        float total = 0.0f;
        for (size_t i = 0; i < pixels.size(); i += 4)
            total += pixels[i];
        EXPECT_NEAR(total, 1.0f, 1e-3f);

        const float tolerance = 1e-3f * at(kCentre, kCentre);
        for (int k = 1; k <= radius; ++k) {
            EXPECT_NEAR(at(kCentre + k, kCentre), at(kCentre - k, kCentre), tolerance) << k;
            EXPECT_NEAR(at(kCentre, kCentre + k), at(kCentre, kCentre - k), tolerance) << k;
            EXPECT_NEAR(at(kCentre + k, kCentre), at(kCentre, kCentre + k), tolerance) << k;
            EXPECT_NEAR(at(kCentre + k, kCentre + k), at(kCentre - k, kCentre - k), tolerance) << k;
            EXPECT_LT(at(kCentre + k, kCentre), at(kCentre + k - 1, kCentre)) << k;
            EXPECT_GT(at(kCentre + k, kCentre), 0.0f) << k;
        }
        // The radius is truncated: nothing reaches the texel beyond it.
        EXPECT_EQ(at(kCentre + radius + 1, kCentre), 0.0f);
        EXPECT_EQ(at(kCentre, kCentre - radius - 1), 0.0f);
    }
}

TEST_F(FrameResourcesTest, BlurReadsOnlyTexelCentresSoTheNearestSamplerChangesNothing)
{
    // A pattern with a different value in every texel: any fetch between texels would differ
    // between nearest and linear filtering.
    const RenderTargets& t = renderer->resources.targets;
    std::vector<float> pattern(size_t(kTargetSize) * kTargetSize * 4);
    for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = float((i * 7919u) % 101u) / 100.0f;
    const auto blurred = [&] {
        glBindTexture(GL_TEXTURE_2D, t.ssaoTex);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kTargetSize, kTargetSize, GL_RGBA, GL_FLOAT, pattern.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        renderer->resources.separableBlur(t.ssaoFbo, t.ssaoTex, t.fullScratchFbo, t.fullScratchTex, 5.0f,
                                glm::vec2(kTargetSize));
        return readTexture(t.ssaoTex);
    };

    ASSERT_NE(renderer->resources.texelSampler.sampler, 0u) << "this driver has sampler objects";
    const std::vector<float> nearest = blurred();
    const GLuint sampler = renderer->resources.texelSampler.sampler;
    renderer->resources.texelSampler.sampler = 0;  // as on a driver without sampler objects
    const std::vector<float> linear = blurred();
    renderer->resources.texelSampler.sampler = sampler;

    float largest = 0.0f;
    for (size_t i = 0; i < nearest.size(); i += 4)
        largest = std::max(largest, glm::length(glm::make_vec4(&nearest[i]) - glm::make_vec4(&linear[i])));
    EXPECT_LT(largest, 1e-4f);
    EXPECT_EQ(drainGlErrors(), 0);
}

}  // namespace
