// The star-burst's texture-coordinate matrix: a turn about the centre of texture space by
// 4 (V[0][2] + V[2][1]) degrees.
#include "render/renderer.h"

#include <gtest/gtest.h>

namespace {

void expectNear(const glm::vec4& actual, const glm::vec4& expected)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-5f) << "component " << i;
}

TEST(CompositeTest, IdentityViewGivesIdentity)
{
    EXPECT_EQ(lensStarMatrix(glm::mat4(1.0f)), glm::mat4(1.0f));
}

TEST(CompositeTest, TurnsAboutTheTextureCentreByFourDegreesPerUnit)
{
    glm::mat4 view(1.0f);
    view[0][2] = 10.0f;  // column 0, row 2
    view[2][1] = 12.5f;  // column 2, row 1: 4 x 22.5 = 90 degrees in all
    const glm::mat4 star = lensStarMatrix(view);
    expectNear(star * glm::vec4(0.5f, 0.5f, 0.0f, 1.0f), glm::vec4(0.5f, 0.5f, 0.0f, 1.0f));
    expectNear(star * glm::vec4(1.0f, 0.5f, 0.0f, 1.0f), glm::vec4(0.5f, 1.0f, 0.0f, 1.0f));
    // The transposed elements (row 0 column 2, row 2 column 1) do not count.
    glm::mat4 other(1.0f);
    other[2][0] = 10.0f;
    other[1][2] = 12.5f;
    EXPECT_EQ(lensStarMatrix(other), glm::mat4(1.0f));
}

}  // namespace
