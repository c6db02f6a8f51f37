// The per-frame animation: orbit placement, the once-per-frame spins of the bunny, the probe and
// Phobos, the fixed-rate turns, and a first frame without time.
#include "app/scene_animation.h"
#include "app/scene_clock.h"
#include "fixture.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

struct Body : SceneObject {
    int updates = 0;
    void update() override { ++updates; }
};

void expectFrame(const SceneObject& actual, const SceneObject& expected)
{
    expectVec(actual.forward, expected.forward);
    expectVec(actual.up, expected.up);
    expectVec(actual.right, expected.right);
}

Body spun(float degrees)
{
    Body b;
    b.yaw(degrees);
    b.roll(degrees);
    return b;
}

struct Scene {
    Body bunny, sunSphere, earth, asteroid, deepSpace1, phobos;
    SceneAngles angles;
    Scene()
    {
        sunSphere.position = {0, 8, 70};
        earth.position = {0, 0, 15};
        asteroid.position = {-4.5f, 6, 40};
    }
    void frame(float dt) { animateScene({bunny, sunSphere, earth, asteroid, deepSpace1, phobos}, angles, dt); }
};

TEST(SceneAnimationTest, FirstFrameOrbitsTheBunnyAboutTheSunSphere)
{
    Scene scene;
    scene.frame(0.02f);
    EXPECT_NEAR(scene.angles.bunny, 0.002, 1e-9);
    const float d = 12.0f * std::cos(10.0f) * std::sin(0.002f);
    EXPECT_NEAR(d, -0.0201f, 1e-4f);
    expectVec(scene.bunny.position, {d, 8.0f + 12.0f * std::cos(0.002f), 70.0f + d});
    // Phase 10 is larger than the angle: a tenth of a degree of yaw and roll.
    expectFrame(scene.bunny, spun(0.1f));
}

TEST(SceneAnimationTest, PhobosSpinsByTheInverseOfItsAngle)
{
    Scene scene;
    scene.frame(0.02f);
    EXPECT_EQ(scene.angles.phobos, scene.angles.bunny);
    expectVec(scene.phobos.position, {10.0f * std::sin(0.002f), 10.0f * std::cos(0.002f), 15.0f + 10.0f * std::sin(0.002f)});
    Body expected = spun(1.0f / 0.002f);  // 500 degrees on the first frame
    expected.rotate(0.02f * 0.5f, {0, 1, 1});
    expectFrame(scene.phobos, expected);

    // Later, at angle 2, half a degree per frame whatever the frame time.
    Scene later;
    later.angles.phobos = 2.0 - 0.0001;
    later.frame(0.001f);
    Body slower = spun(1.0f / 2.0f);
    slower.rotate(0.001f * 0.5f, {0, 1, 1});
    expectFrame(later.phobos, slower);
}

TEST(SceneAnimationTest, ProbeSpinsATenthOfADegreeUntilItsAnglePassesTen)
{
    Scene early;
    early.angles.probe = 9.98;
    early.frame(0.02f);  // angle 9.99
    Body expected;
    expected.rotate(0.02f * 2.0f, {0, 1, 0});
    expected.yaw(0.1f);
    expected.roll(0.1f);
    expectFrame(early.deepSpace1, expected);
    const float a = float(early.angles.probe);
    const float c = 3.0f * std::cos(10.0f) * std::sin(a);
    expectVec(early.deepSpace1.position, {-4.5f + c, 6.0f + 3.0f * std::cos(a), 40.0f + c});

    Scene late;
    late.angles.probe = 11.0;
    late.frame(0.02f);  // angle 11.01
    Body after;
    after.rotate(0.02f * 2.0f, {0, 1, 0});
    after.yaw(1.0f / 11.01f);
    after.roll(1.0f / 11.01f);
    expectFrame(late.deepSpace1, after);
}

TEST(SceneAnimationTest, FixedRateTurnsScaleWithTheTimeStep)
{
    Scene scene;
    scene.frame(0.02f);
    Body earth, asteroid;
    earth.rotate(0.1f, {0, 1, 1});
    asteroid.rotate(0.07f, {0, 1, 0});
    expectFrame(scene.earth, earth);
    expectFrame(scene.asteroid, asteroid);
    expectVec(scene.earth.position, {0, 0, 15});
    EXPECT_NEAR(scene.angles.probe, 0.01, 1e-9);
}

TEST(SceneAnimationTest, OrbitWithZeroAngleAndPhaseDoesNotSpin)
{
    Body body;
    orbitAround(body, {1, 2, 3}, 5, 0, 0);
    EXPECT_EQ(body.position, glm::vec3(1, 7, 3));
    EXPECT_EQ(body.forward, glm::vec3(0, 0, 1));
    EXPECT_EQ(body.up, glm::vec3(0, 1, 0));
    EXPECT_EQ(body.right, glm::vec3(-1, 0, 0));
    EXPECT_EQ(body.updates, 1);

    // A first frame with no time leaves every frame finite.
    Scene scene;
    scene.frame(0.0f);
    for (const Body* b : {&scene.bunny, &scene.deepSpace1, &scene.phobos})
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(std::isfinite(b->forward[i]) && std::isfinite(b->up[i]) && std::isfinite(b->right[i]));
    EXPECT_EQ(scene.phobos.forward, glm::vec3(0, 0, 1));
}

// Pause holds the scene's time while frames go on; a step advances it by exactly one 60 Hz frame
// (once per request); resuming goes on from where it held, without a jump.
TEST(SceneClockTest, PauseHoldsStepAdvancesOneFrameResumeGoesOnWithoutAJump)
{
    SceneClock clock;
    EXPECT_EQ(clock.advance(0.3), 0.3);
    EXPECT_EQ(clock.sceneTime(), 0.3) << "a clock never held adds up the frame steps";

    clock.togglePause();
    EXPECT_EQ(clock.advance(0.3), 0.0);
    EXPECT_EQ(clock.advance(0.25), 0.0);
    EXPECT_FALSE(clock.advancing);
    EXPECT_EQ(clock.sceneTime(), 0.3);
    clock.requestStep();
    EXPECT_EQ(clock.advance(0.3), SceneClock::kStepSeconds);
    EXPECT_TRUE(clock.advancing);
    EXPECT_EQ(clock.advance(0.3), 0.0) << "one step per request";
    EXPECT_DOUBLE_EQ(clock.sceneTime(), 0.3 + SceneClock::kStepSeconds);

    clock.togglePause();
    EXPECT_EQ(clock.advance(0.5), 0.5);
    EXPECT_DOUBLE_EQ(clock.sceneTime(), 0.8 + SceneClock::kStepSeconds);
    clock.requestStep();
    EXPECT_EQ(clock.advance(0.5), 0.5) << "a step while running changes nothing";
    clock.togglePause();
    EXPECT_EQ(clock.advance(0.5), 0.0) << "nor does it wait for the next pause";
}

// The frame hands the clock its step capped at one second and rounded to float. A held scene's
// time must not move at all over such frames (stalls of 1.5 s, or 0.8 s frames whose float
// rounding is not the frame clock's difference), and a stall while running moves it by the
// capped step only, not by the whole stall.
TEST(SceneClockTest, HeldTimeStandsStillOverLongFramesAndAStallMovesItByTheCappedStep)
{
    const auto frameStep = [](double frameSeconds) { return double(float(std::min(frameSeconds, 1.0))); };
    SceneClock clock;
    clock.advance(frameStep(12.345678));
    clock.advance(frameStep(0.8123456789));
    const double before = clock.sceneTime();
    clock.togglePause();
    for (double frameSeconds : {1.5, 1.5, 0.8123456789, 1.5, 0.0000001, 1.5}) {
        EXPECT_EQ(clock.advance(frameStep(frameSeconds)), 0.0);
        ASSERT_EQ(clock.sceneTime(), before) << "after a held frame of " << frameSeconds << " s";
    }
    clock.togglePause();
    clock.advance(frameStep(1.5));
    EXPECT_DOUBLE_EQ(clock.sceneTime() - before, 1.0);
}

}  // namespace
