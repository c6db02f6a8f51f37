// The particle pool without GL: spawn counts per time step, the free-slot search, parking and
// same-step motion, and a pool that half a second of frames fills.
#include "render/particles.h"

#include <gtest/gtest.h>

namespace {

// Draw k of the scripted generator is (k * 104729 + 7) mod 32768; the test counts the draws.
int drawsMade = 0;
int scriptedDraw(int k)
{
    return (k * 104729 + 7) % 32768;
}
int scriptedRandom()
{
    return scriptedDraw(drawsMade++);
}

// A pool as the start-up leaves it: every particle free, the scripted generator in charge.
ParticleSystem freshPool()
{
    ParticleSystem pool;
    for (Particle& particle : pool.particles)
        particle.life = -1.0f;
    pool.random = scriptedRandom;
    drawsMade = 0;
    return pool;
}

int aliveCount(const ParticleSystem& pool)
{
    int alive = 0;
    for (const Particle& particle : pool.particles)
        alive += particle.life > 0.0f;
    return alive;
}

TEST(ParticleSystemTest, SpawnCountFollowsTheTimeStepUpToTheCap)
{
    ParticleSystem pool = freshPool();
    EXPECT_EQ(pool.simulate(3.0), 800) << "a first frame's long step spawns the cap";
    EXPECT_EQ(drawsMade, 800 * 4);

    pool = freshPool();
    EXPECT_EQ(pool.simulate(0.02), 800) << "200 steps capped at 160";
    EXPECT_EQ(aliveCount(pool), 800);

    pool = freshPool();
    EXPECT_EQ(pool.simulate(0.001), 50);
    EXPECT_EQ(aliveCount(pool), 50);

    pool = freshPool();
    EXPECT_EQ(pool.simulate(0.000099), 0);
    EXPECT_EQ(drawsMade, 0);
    EXPECT_EQ(aliveCount(pool), 0);

    EXPECT_EQ(pool.simulate(-0.5), 0) << "a clock that steps back spawns nothing";
}

TEST(ParticleSystemTest, FindUnusedParticleSearchesOnFromTheLastAndWraps)
{
    ParticleSystem pool = freshPool();
    for (Particle& particle : pool.particles)
        particle.life = 1.0f;
    pool.particles[3].life = -1.0f;
    pool.particles[9500].life = -1.0f;

    pool.lastUsedParticle = 9000;
    EXPECT_EQ(pool.findUnusedParticle(), 9500);
    EXPECT_EQ(pool.lastUsedParticle, 9500);
    pool.particles[9500].life = 1.0f;
    EXPECT_EQ(pool.findUnusedParticle(), 3);
    EXPECT_EQ(pool.lastUsedParticle, 3);

    pool.particles[3].life = 1.0f;
    pool.lastUsedParticle = 42;
    EXPECT_EQ(pool.findUnusedParticle(), 0) << "a full pool takes particle 0 over";
    EXPECT_EQ(pool.lastUsedParticle, 42);
}

TEST(ParticleSystemTest, ParticleWhoseLifeEndsAtExactlyZeroIsReusedNotLost)
{
    ParticleSystem pool = freshPool();
    for (Particle& particle : pool.particles)
        particle.life = 1.0f;
    pool.particles[7].life = 0.0f;
    pool.simulate(0.00005);  // no spawn; an expired particle is not updated again
    EXPECT_EQ(pool.particles[7].life, 0.0f);
    pool.lastUsedParticle = 0;
    EXPECT_EQ(pool.findUnusedParticle(), 7);
}

TEST(ParticleSystemTest, ExpiredAndFreeParticlesWaitAtTheEmitter)
{
    ParticleSystem pool = freshPool();
    pool.emitterPosition = glm::vec3(1.0f, 2.0f, 3.0f);
    pool.particles[5].life = 0.00005f;
    pool.particles[5].position = glm::vec3(4.0f, 4.0f, 4.0f);
    pool.particles[5].velocity = glm::vec3(0.0f, 10.0f, 0.0f);
    pool.particles[6].position = glm::vec3(-9.0f);  // free, left somewhere stale

    pool.simulate(0.00002);  // too short to spawn; particle 5 still lives and moves
    EXPECT_NEAR(pool.particles[5].position.y, 4.0002f, 1e-6f);
    EXPECT_EQ(pool.particles[6].position, pool.emitterPosition);
    EXPECT_EQ(pool.positions[6], glm::vec4(1.0f, 2.0f, 3.0f, 1.0f));

    pool.simulate(0.00009);  // life runs out during this step: it still moves once
    EXPECT_LE(pool.particles[5].life, 0.0f);
    pool.emitterPosition = glm::vec3(0.0f, 0.0f, 7.0f);  // the rocket moved on
    pool.simulate(0.00001);
    EXPECT_EQ(pool.particles[5].position, glm::vec3(0.0f, 0.0f, 7.0f));
    EXPECT_EQ(glm::vec3(pool.positions[5]), glm::vec3(0.0f, 0.0f, 7.0f));
}

TEST(ParticleSystemTest, SpawnedParticlesTakeTheirDrawsInOrderAndMoveInTheSameStep)
{
    ParticleSystem pool = freshPool();
    pool.emitterPosition = glm::vec3(1.0f, 2.0f, 3.0f);
    pool.emitterDirection = glm::vec3(0.0f, 0.0f, -1.0f);
    const double dt = 0.0001;
    ASSERT_EQ(pool.simulate(dt), 5);

    auto spread = [](int r) { return (float(r % 2000) - 1000.0f) / 1000.0f; };
    for (int n = 0; n < 5; ++n) {
        const int life = scriptedDraw(4 * n), a = scriptedDraw(4 * n + 1), b = scriptedDraw(4 * n + 2),
                  c = scriptedDraw(4 * n + 3);
        const glm::vec3 velocity =
            glm::vec3(0.0f, 0.0f, -1.0f) + 0.375f * glm::vec3(spread(c), spread(b), spread(a));
        const Particle& particle = pool.particles[n];
        EXPECT_EQ(particle.velocity, velocity) << "particle " << n;
        EXPECT_FLOAT_EQ(particle.life, float(double(float(life) / 32767.0f + 1.0f) - dt));
        const glm::vec3 moved = pool.emitterPosition + velocity * float(dt);
        EXPECT_EQ(particle.position, moved) << "particle " << n;
        EXPECT_NE(particle.position, pool.emitterPosition);
        EXPECT_EQ(pool.positions[n], glm::vec4(moved, 1.0f));
    }
    EXPECT_EQ(pool.lastUsedParticle, 4);
}

TEST(ParticleSystemTest, SpawnsIntoAFullPoolAllLandOnParticleZeroWithEveryDrawTaken)
{
    ParticleSystem pool = freshPool();
    for (Particle& particle : pool.particles)
        particle.life = 1.5f;
    pool.lastUsedParticle = 1234;
    ASSERT_EQ(pool.simulate(0.0002), 10);
    EXPECT_EQ(drawsMade, 40);
    EXPECT_EQ(pool.lastUsedParticle, 1234);
    EXPECT_FLOAT_EQ(pool.particles[0].life, float(scriptedDraw(36)) / 32767.0f + 1.0f - 0.0002f);
    EXPECT_FLOAT_EQ(pool.particles[1].life, 1.5f - 0.0002f);
}

// Prints, never asserts: the CPU cost of one frame's simulation with the pool full, the steady
// state at any frame rate (800 spawns per frame against lives of one to two seconds).
// Half a second of 60 Hz frames spawns more than the pool holds: every particle is alive. (What a
// step of the full pool costs is the frame benchmark's "particle simulation" figure.)
TEST(ParticleSystemTest, HalfASecondOfFramesFillsThePool)
{
    ParticleSystem pool = freshPool();
    pool.random = nextRandom;
    pool.emitterDirection = glm::vec3(0.0f, -1.0f, 0.0f);
    for (int frame = 0; frame < 30; ++frame)
        pool.simulate(1.0 / 60.0);
    EXPECT_EQ(aliveCount(pool), ParticleSystem::kPoolSize);
}

}  // namespace
