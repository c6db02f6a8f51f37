// The occlusion kernel and noise: sample lengths by index, hemisphere, unit noise, draw order.
#include "render/ssao.h"

#include <cmath>
#include <gtest/gtest.h>
#include <glm/glm.hpp>

namespace {

// A generator whose sequence the test knows: draw k is (k * 7919 + 13) mod 32768.
int drawsMade = 0;
int scriptedDraw(int k)
{
    return (k * 7919 + 13) % 32768;
}
int scriptedRandom()
{
    return scriptedDraw(drawsMade++);
}
float scriptedUnit(int k)
{
    return float(scriptedDraw(k)) / kRandomMax;
}

glm::vec3 sample(const SsaoKernel& kernel, int i)
{
    return glm::vec3(kernel.samples[3 * i], kernel.samples[3 * i + 1], kernel.samples[3 * i + 2]);
}

glm::vec3 noiseVector(const SsaoKernel& kernel, int k)
{
    return glm::vec3(kernel.noise[3 * k], kernel.noise[3 * k + 1], kernel.noise[3 * k + 2]);
}

TEST(SsaoKernelTest, SampleLengthsFollowTheirIndexAndStayInTheUpperHemisphere)
{
    for (RandomSource source : {RandomSource(nextRandom), RandomSource(scriptedRandom)}) {
        SsaoKernel kernel;
        kernel.generate(source);
        for (int i = 0; i < SsaoKernel::kSampleCount; ++i) {
            const float expected = std::max(0.1f, float(i * i) / 1024.0f);
            EXPECT_NEAR(glm::length(sample(kernel, i)), expected, 1e-5f) << "sample " << i;
            EXPECT_GE(sample(kernel, i).z, 0.0f) << "sample " << i;
            EXPECT_LE(glm::length(sample(kernel, i)), (31.0f / 32.0f) * (31.0f / 32.0f) + 1e-6f);
        }
        for (int i = 0; i <= 10; ++i)
            EXPECT_NEAR(glm::length(sample(kernel, i)), 0.1f, 1e-6f) << "sample " << i;
    }
}

TEST(SsaoKernelTest, NoiseVectorsAreUnitRotationsInTheXyPlane)
{
    SsaoKernel kernel;
    kernel.generate(nextRandom);
    for (int k = 0; k < SsaoKernel::kNoiseSize * SsaoKernel::kNoiseSize; ++k) {
        EXPECT_NEAR(glm::length(noiseVector(kernel, k)), 1.0f, 1e-5f) << "noise " << k;
        EXPECT_EQ(noiseVector(kernel, k).z, 0.0f) << "noise " << k;
    }
}

TEST(SsaoKernelTest, DrawsXYZPerSampleThenXYPerNoiseVector)
{
    drawsMade = 0;
    SsaoKernel kernel;
    kernel.generate(scriptedRandom);
    EXPECT_EQ(drawsMade, 32 * 3 + 16 * 2);

    for (int i : {0, 11, 31}) {
        const glm::vec3 direction(2.0f * scriptedUnit(3 * i) - 1.0f, 2.0f * scriptedUnit(3 * i + 1) - 1.0f,
                                  scriptedUnit(3 * i + 2));
        const glm::vec3 got = glm::normalize(sample(kernel, i));
        const glm::vec3 want = glm::normalize(direction);
        EXPECT_NEAR(got.x, want.x, 1e-5f) << "sample " << i;
        EXPECT_NEAR(got.y, want.y, 1e-5f) << "sample " << i;
        EXPECT_NEAR(got.z, want.z, 1e-5f) << "sample " << i;
    }
    for (int k : {0, 5, 15}) {
        const int first = 96 + 2 * k;
        const glm::vec2 want =
            glm::normalize(glm::vec2(2.0f * scriptedUnit(first) - 1.0f, 2.0f * scriptedUnit(first + 1) - 1.0f));
        EXPECT_NEAR(kernel.noise[3 * k], want.x, 1e-5f) << "noise " << k;
        EXPECT_NEAR(kernel.noise[3 * k + 1], want.y, 1e-5f) << "noise " << k;
    }
}

TEST(SsaoKernelTest, NoiseScaleTilesOneNoiseTexelPerPixel)
{
    SsaoKernel kernel;
    kernel.setNoiseScale(1280, 720);
    EXPECT_EQ(kernel.noiseScale, glm::vec2(320.0f, 180.0f));
    kernel.setNoiseScale(1023, 1);
    EXPECT_EQ(kernel.noiseScale, glm::vec2(255.75f, 0.25f));
}

}  // namespace
