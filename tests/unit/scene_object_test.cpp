// Turns, moves and the camera's projection, orbit and chase conventions.
#include "scene/camera.h"
#include "scene/frustum.h"
#include "fixture.h"

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

namespace {

struct Probe : SceneObject {
    int updates = 0;
    void update() override { ++updates; }
};

TEST(SceneObjectTest, DefaultFrameLooksAlongPlusZWithRightMinusX)
{
    Probe p;
    EXPECT_EQ(p.right, glm::vec3(-1, 0, 0));
    EXPECT_EQ(p.updates, 0);
}

TEST(SceneObjectTest, TurnsFromDefaultFrameGiveWorkedValues)
{
    Probe pitch;
    pitch.pitch(90);
    expectVec(pitch.forward, {0, 1, 0});
    expectVec(pitch.up, {0, 0, -1});
    expectVec(pitch.right, {-1, 0, 0});

    Probe roll;
    roll.roll(90);
    expectVec(roll.up, {-1, 0, 0});
    expectVec(roll.right, {0, -1, 0});
    expectVec(roll.forward, {0, 0, 1});

    Probe yaw;
    yaw.yaw(90);
    expectVec(yaw.forward, {1, 0, 0});
    expectVec(yaw.right, {0, 0, 1});
    expectVec(yaw.up, {0, 1, 0});

    EXPECT_EQ(pitch.updates + roll.updates + yaw.updates, 3);
}

TEST(SceneObjectTest, RotateTurnsOppositeToYawAndNormalisesItsAxis)
{
    Probe r;
    r.rotate(90, {0, 1, 0});
    expectVec(r.forward, {-1, 0, 0});
    expectVec(r.up, {0, 1, 0});

    Probe tilted;
    tilted.rotate(90, {0, 2, 2});  // same as the unit axis (0, .7071, .7071)
    Probe unit;
    unit.rotate(90, glm::normalize(glm::vec3(0, 1, 1)));
    expectVec(tilted.forward, unit.forward);
    expectVec(tilted.up, unit.up);
    EXPECT_NEAR(glm::length(tilted.forward), 1.0f, 1e-5f);
}

TEST(SceneObjectTest, TurnAndTurnBackRestoresTheFrame)
{
    Probe p;
    p.pitch(37);
    p.pitch(-37);
    p.roll(12);
    p.roll(-12);
    p.yaw(-80);
    p.yaw(80);
    expectVec(p.forward, {0, 0, 1});
    expectVec(p.up, {0, 1, 0});
    expectVec(p.right, {-1, 0, 0});
}

TEST(SceneObjectTest, MovesFollowTheFrame)
{
    Probe p;
    p.moveRight(1);
    expectVec(p.position, {-1, 0, 0});
    p.moveForward(2);
    expectVec(p.position, {-1, 0, 2});
    p.setPosition({4, 5, 6});
    expectVec(p.position, {4, 5, 6});
    EXPECT_EQ(p.updates, 3);
}

TEST(CameraTest, ConstructorPlacesCameraAndDefaultProjection)
{
    Camera camera;
    EXPECT_EQ(camera.position, glm::vec3(0, 0, -1));
    EXPECT_EQ(camera.right, glm::vec3(-1, 0, 0));
    EXPECT_TRUE(camera.followMode);
    EXPECT_FLOAT_EQ(camera.orbitTheta, 3.1f);
    EXPECT_FLOAT_EQ(camera.orbitRadius, 15.0f);

    const glm::mat4 defaultProjection = camera.projection;
    camera.setProjection(600, 800, 0.1f, 1000.0f);
    EXPECT_EQ(camera.viewportHeight, 600);
    EXPECT_EQ(camera.viewportWidth, 800);
    EXPECT_NEAR(camera.projection[2][2], -1.0002f, 1e-6f);
    EXPECT_NEAR(camera.projection[3][2], -0.20002f, 1e-6f);
    EXPECT_FLOAT_EQ(camera.projection[2][3], -1.0f);
    EXPECT_EQ(camera.projection, defaultProjection);
    // Height first: a wide window has the smaller x scale.
    EXPECT_NEAR(camera.projection[0][0] * 800.0f / 600.0f, camera.projection[1][1], 1e-5f);
}

TEST(CameraTest, OrbitLooksAtTheCentreAndWrapsAt628)
{
    Camera camera;
    const glm::vec3 centre(0, 6, 15);
    camera.orbit(centre, 0, 0);
    EXPECT_EQ(camera.chaseUp, glm::vec3(0, 1, 0));
    const float t = 3.1f, p = 3.1f;
    const glm::vec3 eye = centre + 15.0f * glm::vec3(std::cos(t) * std::sin(p), std::sin(t) * std::sin(p), std::cos(p));
    EXPECT_EQ(camera.view, glm::lookAt(eye, centre, camera.up));

    camera.orbitTheta = 6.2f;
    camera.orbitPhi = 6.0f;
    camera.orbit(centre, 0.1f, 0.1f);
    EXPECT_NEAR(camera.orbitTheta, 0.02f, 1e-5f);
    EXPECT_NEAR(camera.orbitPhi, 6.1f, 1e-5f);
}

TEST(CameraTest, FollowModeKeepsOrbitViewBelowChaseAngleAndChasesAbove)
{
    Camera camera;
    camera.orbit({0, 0, 0}, 0, 0);
    const glm::mat4 orbitView = camera.view;

    camera.setPosition({1, 2, 3});
    EXPECT_EQ(camera.chaseEye, glm::vec3(8, 9, 10));
    EXPECT_EQ(camera.chaseCenter, glm::vec3(1, 2, 3));
    EXPECT_EQ(camera.view, orbitView);

    camera.orbitTheta = 4.51f;
    camera.update();
    EXPECT_EQ(camera.view, glm::lookAt(glm::vec3(8, 9, 10), glm::vec3(1, 2, 3), glm::vec3(0, 1, 0)));
}

TEST(CameraTest, FreeFlightViewFollowsEveryTurnAtOnce)
{
    Camera camera;
    camera.followMode = false;
    camera.setPosition({0.6f, 5.6f, 8.0f});
    camera.yaw(30);
    EXPECT_EQ(camera.view, glm::lookAt(camera.position, camera.position + camera.forward, camera.up));
    const glm::vec3 before = camera.chaseEye;
    camera.moveForward(1);
    EXPECT_EQ(camera.chaseEye, before);  // chase fields only move in follow mode
}

TEST(FrustumTest, PlanesOfAKnownProjectionAndView)
{
    const glm::mat4 projection = glm::perspective(glm::radians(90.0f), 1.0f, 1.0f, 10.0f);
    const FrustumPlanes planes = computeFrustumPlanes(projection, glm::mat4(1.0f));
    const float s = std::sqrt(0.5f);
    // x <= w, x >= -w, y >= -w, z <= w (far), y <= w, z >= -w (near); the camera looks down -Z.
    const glm::vec4 expected[6] = {{-s, 0, -s, 0}, {s, 0, -s, 0}, {0, s, -s, 0},
                                   {0, 0, 1, 10}, {0, -s, -s, 0}, {0, 0, -1, -1}};
    for (int i = 0; i < 6; ++i)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(planes[i][c], expected[i][c], 1e-4f) << "plane " << i << " component " << c;

    const glm::mat4 view = glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -5));
    const FrustumPlanes moved = computeFrustumPlanes(projection, view);
    EXPECT_NEAR(moved[5][3], 4.0f, 1e-4f);  // the near plane now lies at z = -4 in the world
}

}  // namespace
