// Bloom, lens flare and depth of field without GL: the flare threshold and its latch, the
// Gaussian's tap offsets, and the tap weights written into the two Gaussian shaders.
#include "render/renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::array<float, 7> kTapDistances = {0.0f, 1.3366f, 3.4295f, 5.4264f, 7.4359f, 9.4436f, 11.4401f};

void expectParams(DownsampleParams actual, float scale, float bias)
{
    EXPECT_FLOAT_EQ(actual.scale, scale);
    EXPECT_FLOAT_EQ(actual.bias, bias);
}

TEST(LensFlareTest, RisesWithTheRocketViewAndNeverFallsBack)
{
    expectParams(flareThreshold(false), 0.5f, -1.0f);
    expectParams(flareThreshold(true), 0.4f, -3.0f);

    FlareThresholdLatch latch;
    expectParams(latch.update(false), 0.5f, -1.0f);
    expectParams(latch.update(false), 0.5f, -1.0f);
    expectParams(latch.update(true), 0.4f, -3.0f);
    for (bool rocketView : {false, true, false})
        expectParams(latch.update(rocketView), 0.4f, -3.0f);
}

// The blur reads the half-size target, so a tap's distance is in its texels: at 1280 pixels
// across, the outermost tap lies 11.44 / 640 of the width out.
TEST(DepthOfFieldTest, OffsetsAreHalfSizeTexels)
{
    for (int halfTargetSize : {640, 360, 50}) {
        const std::array<float, 7> offsets = gaussTapOffsets(halfTargetSize);
        EXPECT_EQ(offsets[0], 0.0f) << halfTargetSize;
        for (size_t k = 0; k < offsets.size(); ++k)
            EXPECT_FLOAT_EQ(offsets[k] * float(halfTargetSize), kTapDistances[k]) << halfTargetSize << " tap " << k;
    }
}

TEST(DepthOfFieldTest, ZeroSizeGivesFiniteOffsets)
{
    for (float offset : gaussTapOffsets(0))
        EXPECT_EQ(offset, 0.0f);
}

std::vector<double> shaderWeights(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    const std::string source = text.str();
    std::smatch list;
    std::vector<double> weights;
    if (!std::regex_search(source, list, std::regex(R"(kTapWeights\[[^\]]*\]\s*=\s*float\[\]\(([^)]*)\))")))
        return weights;
    const std::string numbers = list[1].str();
    const std::regex number(R"([0-9]*\.[0-9]+)");
    for (auto it = std::sregex_iterator(numbers.begin(), numbers.end(), number); it != std::sregex_iterator(); ++it)
        weights.push_back(std::stod(it->str()));
    return weights;
}

// Each side fetch averages taps 2k - 1 and 2k of a 25-tap Gaussian (sigma 5.5 taps): its weight is
// their sum, and the fetch offset must fall between those two taps (a size of 0.5 pixel makes
// the offsets come out in tap units).
TEST(DepthOfFieldTest, ShaderWeightsAreTheNormalisedFoldedGaussian)
{
    const std::vector<double> horizontal = shaderWeights("shaders/gauss25TapX.frag");
    const std::vector<double> vertical = shaderWeights("shaders/gauss25TapY.frag");
    ASSERT_EQ(horizontal.size(), 7u);
    EXPECT_EQ(horizontal, vertical);

    double sum = horizontal[0];
    for (size_t k = 1; k < horizontal.size(); ++k)
        sum += 2.0 * horizontal[k];
    EXPECT_NEAR(sum, 1.0, 1e-6);

    const double sigma = 5.5;
    auto gauss = [sigma](double x) { return std::exp(-x * x / (2.0 * sigma * sigma)); };
    const std::array<float, 7> inTaps = gaussTapOffsets(1);
    std::vector<double> folded = {gauss(0.0)};
    double total = gauss(0.0);
    for (int k = 1; k <= 6; ++k) {
        folded.push_back(gauss(2 * k - 1) + gauss(2 * k));
        total += 2.0 * folded.back();
        EXPECT_GT(inTaps[k], 2 * k - 1);
        EXPECT_LT(inTaps[k], 2 * k);
    }
    for (size_t k = 0; k < folded.size(); ++k)
        EXPECT_NEAR(horizontal[k], folded[k] / total, 2e-7) << "weight " << k;
}

}  // namespace
