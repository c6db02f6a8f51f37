// The final composite on real GL: known input textures give the expected tone-mapped pixel, each
// input acts as its role says, undefined alpha is never read, and the star-burst matrix reaches
// the program. Drawn into an off-screen float target, not the multisampled window.
#include "gl_fixture.h"

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <gtest/gtest.h>
#include <limits>

namespace {

// The composite's tone mapping for an unoccluded, in-focus, flare-free pixel: exposure, the
// ACES fit and gamma 2.2 (kept in step with shaders/quadShader.frag).
float toneMapped(float radiance)
{
    const float x = radiance * 1.2f;
    const float curve = x * (2.51f * x + 0.03f) / (x * (2.43f * x + 0.59f) + 0.14f);
    return std::pow(std::min(std::max(curve, 0.0f), 1.0f), 1.0f / 2.2f);
}

struct Inputs {
    glm::vec4 scene{0.0f};
    float visibility = 1.0f;
    glm::vec4 flare{0.0f};
    glm::vec4 blurred{0.0f};
    float focus = 0.0f;
    glm::vec4 dirt{0.0f};
    glm::vec4 star{0.0f};
};

class CompositePassTest : public SharedRendererTest {
protected:
    static void SetUpTestSuite()
    {
        SharedRendererTest::SetUpTestSuite();
        // Known lens images in place of the files.
        for (GLuint* lens : {&renderer->lensFlare.lensStarTex, &renderer->lensFlare.lensDirtTex}) {
            if (*lens)
                glDeleteTextures(1, lens);
            *lens = makeFilledTexture(GL_RGBA32F, 4, 4, glm::vec4(0.0f));
        }
    }
    void SetUp() override
    {
        camera.setProjection(kTargetSize, kTargetSize, 0.1f, 100.0f);
        drainGlErrors();
    }

    // The composite's centre pixel for inputs that are the same everywhere.
    glm::vec4 composite(const Inputs& in)
    {
        const RenderTargets& t = renderer->resources.targets;
        const int w = t.width, h = t.height, hw = t.halfWidth, hh = t.halfHeight;
        fillTexture(t.sceneColorTex, w, h, in.scene);
        fillTexture(t.ssaoTex, w, h, glm::vec4(in.visibility));
        fillTexture(t.flareTex, hw, hh, in.flare);
        fillTexture(t.halfTex, hw, hh, in.blurred);
        fillTexture(t.normalTex, w, h, glm::vec4(0.0f, 0.0f, 1.0f, in.focus));
        fillTexture(renderer->lensFlare.lensDirtTex, 4, 4, in.dirt);
        fillTexture(renderer->lensFlare.lensStarTex, 4, 4, in.star);

        FloatTarget out(kTargetSize, kTargetSize);
        const std::vector<LightObject*> noLights;
        const std::vector<MeshObject*> noMeshes;
        const FrustumPlanes planes{};
        // The composite binds the output itself: here, the float target.
        renderer->resources.outputFramebuffer = out.fbo;
        renderer->composite.render(FrameScene{camera, noMeshes, noMeshes, noLights, planes, false}, renderer->resources, renderer->lensFlare);
        EXPECT_EQ(boundSamplers(), 0);
        renderer->resources.outputFramebuffer = 0;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return readTexel(out.colour, kTargetSize / 2, kTargetSize / 2);
    }

    Camera camera;
};

TEST_F(CompositePassTest, UnoccludedInFocusSceneIsToneMappedAndGammaEncoded)
{
    Inputs in;
    in.scene = glm::vec4(0.05f, 0.5f, 4.0f, 1.0f);
    const glm::vec4 pixel = composite(in);
    EXPECT_NEAR(pixel.r, toneMapped(0.05f), 1e-4f);
    EXPECT_NEAR(pixel.g, toneMapped(0.5f), 1e-4f);
    EXPECT_NEAR(pixel.b, toneMapped(4.0f), 1e-4f);
    EXPECT_GT(pixel.b, 0.9f) << "bright HDR values reach near white";
    EXPECT_LE(pixel.b, 1.0f);
    EXPECT_EQ(pixel.a, 1.0f);

    in.scene = glm::vec4(0.0f);
    EXPECT_EQ(composite(in), glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(drainGlErrors(), 0);
}

TEST_F(CompositePassTest, EachInputActsByItsRole)
{
    Inputs in;
    in.scene = glm::vec4(0.5f);
    const float clear = composite(in).r;

    in.visibility = 0.0f;
    const float occluded = composite(in).r;
    EXPECT_LT(occluded, clear);
    EXPECT_GT(occluded, 0.25f * clear) << "occlusion darkens but never blackens";

    // Fully out of focus: only the blurred copy counts, unoccluded.
    in.focus = 1.0f;
    in.blurred = glm::vec4(0.2f);
    EXPECT_NEAR(composite(in).r, toneMapped(0.2f), 1e-4f);

    // The flare is seen only through the lens: dirt plus star-burst.
    Inputs flare;
    flare.scene = glm::vec4(0.3f);
    flare.flare = glm::vec4(0.4f);
    EXPECT_NEAR(composite(flare).r, toneMapped(0.3f), 1e-4f);
    flare.dirt = glm::vec4(0.5f);
    flare.star = glm::vec4(0.25f);
    EXPECT_NEAR(composite(flare).r, toneMapped(0.3f + 0.4f * 0.75f), 1e-4f);
}

TEST_F(CompositePassTest, NeverReadsTheUndefinedAlphaOfSceneOrFlare)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Inputs in;
    in.scene = glm::vec4(0.5f, 0.5f, 0.5f, nan);
    in.flare = glm::vec4(0.1f, 0.1f, 0.1f, nan);
    in.blurred = glm::vec4(0.5f, 0.5f, 0.5f, nan);
    in.dirt = glm::vec4(1.0f);
    const glm::vec4 pixel = composite(in);
    EXPECT_NEAR(pixel.r, toneMapped(0.6f), 1e-4f);
    EXPECT_FALSE(std::isnan(pixel.a));
}

TEST_F(CompositePassTest, StarBurstMatrixFollowsTheView)
{
    composite(Inputs{});
    const GLuint program = renderer->composite.program->id();
    glm::mat4 matrix(0.0f);
    glGetUniformfv(program, glGetUniformLocation(program, "uLensStarMatrix"), glm::value_ptr(matrix));
    EXPECT_EQ(matrix, glm::mat4(1.0f));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], camera.viewportWidth);

    camera.view = glm::lookAt(glm::vec3(1.0f, 2.0f, 3.0f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    composite(Inputs{});
    glGetUniformfv(program, glGetUniformLocation(program, "uLensStarMatrix"), glm::value_ptr(matrix));
    EXPECT_EQ(matrix, lensStarMatrix(camera.view));
    GLint unit = -1;
    glGetUniformiv(program, glGetUniformLocation(program, "uAlphaTex"), &unit);
    EXPECT_EQ(unit, 6);
    EXPECT_EQ(drainGlErrors(), 0);
}

}  // namespace
