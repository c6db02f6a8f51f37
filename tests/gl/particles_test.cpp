// The particle pass on real GL, with its clock driven by the test: what the buffer streams,
// the blend state around the draw, and points that show up hot and round but never at rest.
#include "gl_fixture.h"

#include "app/scene_clock.h"

#include <algorithm>
#include <fstream>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 64;

unsigned drawsMade = 0;
int scriptedRandom()
{
    return int((drawsMade++ * 104729u + 7u) % 32768u);
}

class ParticleSystemGlTest : public ::testing::Test, protected BareScene {
protected:
    void SetUp() override
    {
        drainGlErrors();
        pool.program = particleProgram();
        ASSERT_TRUE(pool.program->rebuild());
        pool.init();
        pool.random = scriptedRandom;
        pool.emitterPosition = glm::vec3(0.0f, 0.0f, -5.0f);
        pool.emitterDirection = glm::vec3(1.0f, 0.0f, 0.0f);
        camera.projection = glm::perspective(glm::radians(45.0f), 1.0f, 0.1f, 1000.0f);
        camera.view = glm::mat4(1.0f);
        camera.viewportHeight = 720;

        glViewport(0, 0, kSize, kSize);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    void TearDown() override
    {
        pool.release();
        pool.release();
        EXPECT_EQ(pool.particleVbo, 0u);
        EXPECT_EQ(pool.program, nullptr);
        EXPECT_EQ(drainGlErrors(), 0);
    }

    // The brightest red channel of the target and how many texels are lit at all.
    std::pair<float, int> litTexels()
    {
        const std::vector<float> texels = readTexture(target.colour);
        float brightest = 0.0f;
        int lit = 0;
        for (size_t i = 0; i < texels.size(); i += 4) {
            brightest = std::max(brightest, texels[i]);
            lit += texels[i] > 0.0f;
        }
        return {brightest, lit};
    }

    // The pass's reloadable program on the particle shaders under the current directory.
    static std::shared_ptr<ShaderProgram> particleProgram()
    {
        return std::make_shared<ShaderProgram>(
            ShaderSet{{Vertex, AssetShader("shaders/particle.vert")}, {Fragment, AssetShader("shaders/particle.frag")}});
    }

    ParticleSystem pool;
    FloatTarget target{kSize, kSize, true};
};

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(ParticleSystemGlTest, InitLeavesEveryParticleFreeAndPointSizeToTheProgram)
{
    for (const Particle& particle : pool.particles)
        ASSERT_EQ(particle.life, -1.0f);
    EXPECT_TRUE(glIsEnabled(GL_PROGRAM_POINT_SIZE));
    EXPECT_NE(pool.particleVao, 0u);
    EXPECT_NE(pool.particleVbo, 0u);
}

TEST_F(ParticleSystemGlTest, RestingParticlesAreNotDrawn)
{
    pool.lastParticleTime = 4.0;
    pool.render(scene(), resources, 4.0);  // no time passed: nothing spawns, all wait at the emitter
    EXPECT_EQ(litTexels().second, 0);
}

TEST_F(ParticleSystemGlTest, FirstFrameSpawnsTheCapStreamsEveryPositionAndDrawsHotBlendedPoints)
{
    drawsMade = 0;
    pool.render(scene(), resources, 0.05);  // the clock starts at 0: a long first step
    EXPECT_EQ(pool.lastParticleTime, 0.05);
    EXPECT_EQ(drawsMade, 800u * 4u);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);

    GLint bytes = 0;
    glBindBuffer(GL_ARRAY_BUFFER, pool.particleVbo);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
    ASSERT_EQ(bytes, 160000);
    std::vector<glm::vec4> streamed(ParticleSystem::kPoolSize);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, bytes, streamed.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    for (int i = 0; i < ParticleSystem::kPoolSize; ++i)
        ASSERT_EQ(glm::vec3(streamed[i]), pool.particles[i].position) << "particle " << i;

    const auto [brightest, lit] = litTexels();
    EXPECT_GT(lit, 20);
    EXPECT_GT(brightest, 1.0f) << "exhaust near the nozzle is bright enough to bloom";
}

TEST_F(ParticleSystemGlTest, MeshesInFrontHideTheExhaustWhichWritesNoDepth)
{
    pool.render(scene(), resources, 0.05);
    EXPECT_GT(litTexels().second, 0);
    const std::vector<float> depths = readTexture(target.depth, GL_DEPTH_COMPONENT);
    for (float value : depths)
        ASSERT_EQ(value, 1.0f) << "points drawn in pool order must not cut each other";

    // Depth as a mesh a fifth of a unit in front of the camera would leave it.
    glClearDepth(0.5);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    pool.render(scene(), resources, 0.1);
    EXPECT_EQ(litTexels().second, 0);
}

TEST_F(ParticleSystemGlTest, BlendingMixesWithWhatIsAlreadyThere)
{
    // A blue far brighter than any exhaust: only a blend can give a texel both red and this blue.
    const float background[4] = {0.0f, 0.0f, 100.0f, 1.0f};
    glClearBufferfv(GL_COLOR, 0, background);
    pool.render(scene(), resources, 0.05);
    const std::vector<float> texels = readTexture(target.colour);
    int mixed = 0;
    for (size_t i = 0; i < texels.size(); i += 4)
        mixed += texels[i] > 0.0f && texels[i + 2] > 2.0f;
    EXPECT_GT(mixed, 0) << "partly transparent points let the background through";
}

// Point sizes are pixels: the same exhaust in a viewport half as high covers about a quarter of
// the texels, so it keeps its size relative to the window.
TEST_F(ParticleSystemGlTest, PointSizesFollowTheViewportHeight)
{
    drawsMade = 0;
    pool.render(scene(), resources, 0.05);
    const int litAtFull = litTexels().second;

    pool.init();
    pool.lastParticleTime = 0.0;
    pool.emitterPosition = glm::vec3(0.0f, 0.0f, -5.0f);
    pool.emitterDirection = glm::vec3(1.0f, 0.0f, 0.0f);
    drawsMade = 0;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    camera.viewportHeight = 360;
    pool.render(scene(), resources, 0.05);
    const int litAtHalf = litTexels().second;
    EXPECT_GT(litAtFull, 2 * litAtHalf) << litAtFull << " texels at 720, " << litAtHalf << " at 360";
    EXPECT_GT(litAtHalf, 0);
}

// The pass on the scene clock as the frame drives it (its step capped at one second, as a float):
// a held scene draws the very same exhaust after frames of 1.5 s, which the process being stopped
// and continued gives, and a stall while running moves the particles by the capped step only.
TEST_F(ParticleSystemGlTest, HeldSceneDrawsTheSameExhaustOverStallsAndAStallMovesItOneSecondAtMost)
{
    SceneClock clock;
    const auto frame = [&](double frameSeconds) {
        clock.advance(float(std::min(frameSeconds, 1.0)));
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        pool.render(scene(), resources, clock.sceneTime());
        return readTexture(target.colour);
    };
    for (int i = 0; i < 10; ++i)
        frame(1.0 / 60.0);
    clock.togglePause();
    const std::vector<float> held = frame(0.8123456789);
    const std::vector<Particle> heldParticles = pool.particles;
    ASSERT_GT(litTexels().second, 20);
    for (int stall = 0; stall < 4; ++stall) {
        ASSERT_EQ(frame(1.5), held) << "held frame after stall " << stall;
        ASSERT_EQ(frame(0.8123456789), held) << "held frame after stall " << stall;
    }
    for (int i = 0; i < ParticleSystem::kPoolSize; ++i)
        ASSERT_EQ(pool.particles[i].life, heldParticles[i].life) << "particle " << i;

    clock.togglePause();
    frame(1.5);
    int checked = 0;
    for (int i = 0; i < ParticleSystem::kPoolSize; ++i) {
        if (heldParticles[i].life <= 1.0f)
            continue;  // ran out during the stall, or was free: may be spawned again
        EXPECT_NEAR(pool.particles[i].life, heldParticles[i].life - 1.0f, 1e-5f) << "particle " << i;
        ++checked;
    }
    EXPECT_GT(checked, 1000);
}

// The pass draws with its reloadable program: an edit of particle.frag shows from the frame after
// the next poll, a second later.
TEST_F(ParticleSystemGlTest, AnEditedFragmentStageShowsInTheNextDrawAfterThePoll)
{
    const std::string vertex = fileText("shaders/particle.vert");
    const std::string fragment = fileText("shaders/particle.frag");
    const std::string original = "colour = vec4(mix(kNozzleColour, kTrailColour, trail), alpha);";
    ASSERT_NE(fragment.find(original), std::string::npos);
    std::string green = fragment;
    green.replace(green.find(original), original.size(), "colour = vec4(0.0, 2.0, 0.0, alpha);");

    DrivenClock wallClock;
    ScratchDirectory scratch;
    std::filesystem::create_directory("shaders");
    writeFileStamped("shaders/particle.vert", vertex, wallClock.seconds());
    writeFileStamped("shaders/particle.frag", fragment, wallClock.seconds());
    pool.program = particleProgram();
    ASSERT_TRUE(pool.program->rebuild());
    pool.render(scene(), resources, 0.05);
    ASSERT_GT(litTexels().first, 1.0f);

    writeFileStamped("shaders/particle.frag", green, wallClock.seconds() + 1);
    wallClock.advanceMs(1001);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    pool.render(scene(), resources, 0.1);
    const std::vector<float> texels = readTexture(target.colour);
    int greenTexels = 0;
    for (size_t i = 0; i < texels.size(); i += 4) {
        ASSERT_EQ(texels[i], 0.0f) << "texel " << i / 4 << " still drawn by the old program";
        greenTexels += texels[i + 1] > 0.0f;
    }
    EXPECT_GT(greenTexels, 20);
}

}  // namespace
