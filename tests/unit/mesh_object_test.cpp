// MeshObject without GL: model matrix after turns, bounding sphere under scaling, frustum test.
#include "scene/mesh_object.h"

#include <gtest/gtest.h>

namespace {

TEST(MeshObjectTest, BoundingSphereFollowsScaleOnceEnabled)
{
    MeshObject mesh;
    mesh.positions = {{1, 0, 0}, {0, 3, 4}, {-2, 0, 0}};
    mesh.scaleBy(2.0f);
    EXPECT_EQ(mesh.boundsType, BoundsNone);
    EXPECT_EQ(mesh.boundingRadius, 0.0f);

    mesh.computeBoundingSphere();
    EXPECT_EQ(mesh.boundsType, BoundsSphere);
    EXPECT_FLOAT_EQ(mesh.boundingRadius, 10.0f);
    mesh.scaleBy(0.25f);
    EXPECT_FLOAT_EQ(mesh.scale, 0.5f);
    EXPECT_FLOAT_EQ(mesh.boundingRadius, 2.5f);
}

TEST(MeshObjectTest, ModelColumnZeroAfterYawIsNegatedRightTimesScale)
{
    MeshObject mesh;
    mesh.scaleBy(3.0f);
    mesh.setPosition({1, 2, 3});
    mesh.yaw(90.0f);
    const glm::vec4 expected = glm::vec4(0, 0, -1, 0) * 3.0f;
    for (int r = 0; r < 4; ++r)
        EXPECT_NEAR(mesh.model[0][r], expected[r], 1e-5f) << "row " << r;
    EXPECT_EQ(mesh.model[3], glm::vec4(1, 2, 3, 1));
}

TEST(MeshObjectTest, SphereIsCulledOnlyWhenWhollyOutsideOnePlane)
{
    MeshObject mesh;
    mesh.positions = {{0, 0, 2}};
    mesh.computeBoundingSphere();
    // Five planes that take everything, then x >= -3: the centre sits 2 units outside it.
    FrustumPlanes planes;
    planes.fill(glm::vec4(0, 0, 0, 100));
    planes[5] = glm::vec4(1, 0, 0, 3);
    mesh.setPosition({-5, 0, 0});
    EXPECT_TRUE(mesh.inFrustum(planes)) << "touching the plane counts as visible";
    mesh.setPosition({-5.01f, 0, 0});
    EXPECT_FALSE(mesh.inFrustum(planes));

    MeshObject unbounded;
    unbounded.setPosition({-1000, 0, 0});
    EXPECT_TRUE(unbounded.inFrustum(planes));
}

}  // namespace
