// Keyboard input through the key-polling seam: mode switches, taps between polls, free-flight
// keys, the scripted orbit-then-chase timeline, rocketView and path recording, driven frame by
// frame without a window.
#include "app/input.h"
#include "fixture.h"

#include <GLFW/glfw3.h>
#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <set>

namespace {

struct Body : SceneObject {
    void update() override {}
};

// The camera, rocket and Earth as the Application leaves them after start-up.
struct Rig {
    Camera camera;
    Body rocket;
    Body earth;
    bool recordingPath = false;
    bool rocketView = false;
    std::set<int> held;
    KeyTaps taps;  // as the key callback leaves them

    Rig()
    {
        camera.followMode = false;
        camera.setPosition(kCameraStartPosition);
        camera.yaw(kCameraStartYaw);
        camera.followMode = true;
        earth.position = {0, 0, 15};
        rocket.setPosition({10, 7, 15});
        for (int i = 0; i < 8; ++i)
            rocket.pathPoints.push_back(PathPoint{10.0f + i, 7.0f + float(i % 3), 15.0f + i, 10.0f});
        rocket.pathActive = true;
    }
    // A frame of the scene clock's own step dt, or with the script held.
    void frame(float dt, std::set<int> keys = {}, bool scriptHeld = false)
    {
        held = std::move(keys);
        const KeyPoller keyHeld = [this](int key) { return held.count(key) > 0; };
        handleInput(dt, scriptHeld ? std::nullopt : std::optional<float>(dt), heldOrTapped(keyHeld, taps),
                    InputTargets{camera, rocket, earth, recordingPath, rocketView});
    }
    glm::mat4 freeFlightView() const
    {
        return glm::lookAt(camera.position, camera.position + camera.forward, camera.up);
    }
};

// A paused scene holds the script: the orbit and the rocket (which shows the path a frame late)
// stay exactly as drawn, while free flight still moves with the frame's own step.
TEST(InputTest, AHeldScriptHoldsTheOrbitAndTheRocketButNotFreeFlight)
{
    Rig rig;
    rig.frame(0.1f);
    rig.frame(0.1f);
    const glm::mat4 view = rig.camera.view;
    const glm::vec3 rocketAt = rig.rocket.position, rocketUp = rig.rocket.up;
    const float theta = rig.camera.orbitTheta;
    for (int i = 0; i < 5; ++i)
        rig.frame(0.1f, {}, true);
    EXPECT_EQ(rig.camera.orbitTheta, theta);
    EXPECT_EQ(rig.rocket.position, rocketAt);
    EXPECT_EQ(rig.rocket.up, rocketUp);
    EXPECT_EQ(rig.camera.view, view);

    rig.frame(0.1f, {GLFW_KEY_4}, true);
    const glm::vec3 start = rig.camera.position;
    rig.frame(0.1f, {GLFW_KEY_M}, true);
    EXPECT_GT(glm::length(rig.camera.position - start), 0.29f);
}

TEST(InputTest, KeyFourReturnsToTheStartPositionLookingAlongPlusZ)
{
    Rig rig;
    rig.frame(0.1f);
    rig.frame(0.1f, {GLFW_KEY_4});
    EXPECT_FALSE(rig.camera.followMode);
    EXPECT_EQ(rig.camera.position, glm::vec3(0.6f, 5.6f, 8.0f));
    EXPECT_EQ(rig.camera.forward, glm::vec3(0, 0, 1));  // without the start yaw
    EXPECT_EQ(rig.camera.up, glm::vec3(0, 1, 0));
    EXPECT_EQ(rig.camera.view, rig.freeFlightView());
}

TEST(InputTest, KeyThreeResumesTheOrbitWhereItStopped)
{
    Rig rig;
    for (int i = 0; i < 10; ++i)
        rig.frame(0.1f);
    const float theta = rig.camera.orbitTheta, phi = rig.camera.orbitPhi;
    EXPECT_NEAR(theta, 3.2f, 1e-4f);

    rig.frame(0.1f, {GLFW_KEY_4});
    for (int i = 0; i < 5; ++i)
        rig.frame(0.1f, {GLFW_KEY_A, GLFW_KEY_M});
    EXPECT_EQ(rig.camera.orbitTheta, theta);
    EXPECT_EQ(rig.camera.orbitPhi, phi);

    rig.frame(0.1f, {GLFW_KEY_3});
    EXPECT_TRUE(rig.camera.followMode);
    EXPECT_EQ(rig.camera.orbitTheta, std::fmod(theta + 0.01f, 6.28f));
    EXPECT_EQ(rig.camera.orbitPhi, std::fmod(phi + 0.01f, 6.28f));
    Camera orbiting = rig.camera;
    orbiting.orbitTheta = theta;
    orbiting.orbitPhi = phi;
    orbiting.orbit(rig.earth.position + glm::vec3(0, 6, 0), 0.01f, 0.01f);
    EXPECT_EQ(rig.camera.view, orbiting.view);
}

TEST(InputTest, KeysThreeAndFourTogetherGiveFreeFlightAndHoldTheRocket)
{
    Rig rig;
    rig.frame(0.1f);
    const glm::vec3 rocketAt = rig.rocket.position;
    const float pathT = rig.rocket.pathT;
    rig.frame(0.1f, {GLFW_KEY_3, GLFW_KEY_4});
    EXPECT_FALSE(rig.camera.followMode);
    EXPECT_EQ(rig.camera.position, kCameraStartPosition);
    EXPECT_EQ(rig.rocket.position, rocketAt);  // the rocket flies only under the scripted camera
    EXPECT_EQ(rig.rocket.pathT, pathT);
}

TEST(InputTest, RecordingAddsOnePointPerFrameAndBothKeysLeaveItOff)
{
    Rig rig;
    rig.frame(0.1f, {GLFW_KEY_1, GLFW_KEY_2});
    EXPECT_FALSE(rig.recordingPath);
    EXPECT_TRUE(rig.camera.pathPoints.empty());

    rig.frame(0.1f, {GLFW_KEY_1, GLFW_KEY_4});
    EXPECT_TRUE(rig.recordingPath);
    ASSERT_EQ(rig.camera.pathPoints.size(), 1u);
    // Recorded after the frame's moves: here the start position key 4 set.
    EXPECT_EQ(rig.camera.pathPoints[0].x, 0.6f);
    EXPECT_EQ(rig.camera.pathPoints[0].speed, 10.0f);

    for (int i = 0; i < 4; ++i)
        rig.frame(0.1f);  // also while the camera stands still
    EXPECT_EQ(rig.camera.pathPoints.size(), 5u);
    rig.frame(0.1f, {GLFW_KEY_2});
    rig.frame(0.1f);
    EXPECT_FALSE(rig.recordingPath);
    EXPECT_EQ(rig.camera.pathPoints.size(), 5u);
}

TEST(InputTest, APressBetweenTwoPollsCountsOnceWhetherOrNotStillHeld)
{
    Rig rig;
    rig.taps.press(GLFW_KEY_1);  // pressed and released within the frame
    rig.frame(0.3f);
    EXPECT_TRUE(rig.recordingPath);
    rig.frame(0.3f, {GLFW_KEY_2});
    rig.frame(0.3f);
    EXPECT_FALSE(rig.recordingPath);

    rig.taps.press(GLFW_KEY_4);  // pressed and still held at the poll
    rig.frame(0.3f, {GLFW_KEY_4});
    EXPECT_FALSE(rig.camera.followMode);
    rig.frame(0.3f, {GLFW_KEY_3});
    rig.frame(0.3f);
    EXPECT_TRUE(rig.camera.followMode);
}

TEST(InputTest, UpArrowTurnsByAFixedStepPerFrame)
{
    for (const float dt : {0.001f, 1.0f}) {
        Rig rig;
        rig.frame(dt, {GLFW_KEY_4});
        const glm::vec3 right = rig.camera.right;
        rig.frame(dt, {GLFW_KEY_UP});
        expectVec(rig.camera.forward, glm::normalize(glm::vec3(0.1f, 0, 1)));
        EXPECT_EQ(rig.camera.up, glm::vec3(0, 1, 0));
        EXPECT_EQ(rig.camera.right, right);
        EXPECT_EQ(rig.camera.view, rig.freeFlightView());
    }
}

TEST(InputTest, FreeFlightTurnsNinetyDegreesAndMovesThreeUnitsPerSecond)
{
    Rig rig;
    rig.frame(0.5f, {GLFW_KEY_4});
    // Half a second: a 45 degree yaw to the left, then 1.5 units right and 1.5 forward.
    rig.frame(0.5f, {GLFW_KEY_A, GLFW_KEY_M, GLFW_KEY_RIGHT});
    const float h = std::sqrt(0.5f);
    expectVec(rig.camera.forward, {h, 0, h});
    expectVec(rig.camera.right, {-h, 0, h});
    expectVec(rig.camera.position, kCameraStartPosition + glm::vec3(0, 0, 1.5f * std::sqrt(2.0f)));
    EXPECT_EQ(rig.camera.view, rig.freeFlightView());

    // Opposite keys held together cancel up to rounding.
    rig.frame(0.25f, {GLFW_KEY_E, GLFW_KEY_Q, GLFW_KEY_W, GLFW_KEY_S});
    expectVec(rig.camera.forward, {h, 0, h});
    expectVec(rig.camera.up, {0, 1, 0});
}

TEST(InputTest, DownArrowAdvancesBothOrbitAnglesByHalfARadianPerSecond)
{
    Rig rig;
    rig.frame(0.05f, {GLFW_KEY_4});
    for (int i = 0; i < 40; ++i)
        rig.frame(0.05f, {GLFW_KEY_DOWN});
    EXPECT_NEAR(rig.camera.orbitTheta, 4.1f, 1e-4f);
    EXPECT_NEAR(rig.camera.orbitPhi, 4.1f, 1e-4f);
    EXPECT_EQ(rig.camera.view, rig.freeFlightView());  // the free-flight view replaces the orbit's

    // Past 4.51, key 3 goes straight to the rocket.
    for (int i = 0; i < 20; ++i)
        rig.frame(0.05f, {GLFW_KEY_DOWN});
    EXPECT_FALSE(rig.rocketView);
    rig.frame(0.05f, {GLFW_KEY_3});
    EXPECT_TRUE(rig.rocketView);
    EXPECT_EQ(rig.camera.position, rig.rocket.position);
}

TEST(InputTest, WithoutKeysTheCameraChasesTheRocketAfterFourteenPointOneSeconds)
{
    Rig rig;
    const glm::vec3 rocketStart = rig.rocket.position;
    const float dt = 0.05f;
    double elapsed = 0.0;
    while (!rig.rocketView && elapsed < 20.0) {
        rig.frame(dt);
        elapsed += dt;
    }
    ASSERT_TRUE(rig.rocketView);
    EXPECT_GE(elapsed, 14.1);
    EXPECT_LE(elapsed, 14.1 + 3 * dt);
    EXPECT_NE(rig.rocket.position, rocketStart);  // the rocket flew during the orbit
    EXPECT_EQ(rig.camera.position, rig.rocket.position);
    const glm::vec3 r = rig.rocket.position;
    EXPECT_EQ(rig.camera.view, glm::lookAt(r + glm::vec3(7), r, glm::vec3(0, 1, 0)));

    rig.frame(dt, {GLFW_KEY_4});
    EXPECT_TRUE(rig.rocketView);  // never cleared, not even by free flight
    rig.frame(dt, {GLFW_KEY_3});
    EXPECT_TRUE(rig.rocketView);
    EXPECT_EQ(rig.camera.position, rig.rocket.position);
}

}  // namespace
